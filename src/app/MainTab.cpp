#include "MainTab.h"

#include <algorithm>

QString MainTabs::rawValue(MainTab tab) {
    switch (tab) {
    case MainTab::Slots:
        return QStringLiteral("slots");
    case MainTab::History:
        return QStringLiteral("history");
    case MainTab::Snippets:
        return QStringLiteral("snippets");
    case MainTab::Stats:
        return QStringLiteral("stats");
    case MainTab::Settings:
        break;
    }
    return QStringLiteral("settings");
}

std::optional<MainTab> MainTabs::fromRaw(const QString& raw) {
    for (MainTab t : all) {
        if (rawValue(t) == raw) {
            return t;
        }
    }
    return std::nullopt;
}

namespace {
std::size_t indexOf(MainTab tab) {
    const auto it = std::find(MainTabs::all.begin(), MainTabs::all.end(), tab);
    return it == MainTabs::all.end() ? 0 : static_cast<std::size_t>(it - MainTabs::all.begin());
}
} // namespace

MainTab MainTabs::next(MainTab tab) {
    return all[(indexOf(tab) + 1) % all.size()];
}

MainTab MainTabs::previous(MainTab tab) {
    return all[(indexOf(tab) + all.size() - 1) % all.size()];
}
