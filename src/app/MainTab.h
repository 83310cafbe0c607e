#pragma once

#include <QString>
#include <array>
#include <optional>

// The main window's tabs, in tab order.
enum class MainTab { Slots, History, Snippets, Stats, Settings };

class MainTabs {
public:
    static constexpr std::array<MainTab, 5> all{MainTab::Slots, MainTab::History, MainTab::Snippets,
                                                MainTab::Stats, MainTab::Settings};
    static QString rawValue(MainTab tab);
    static std::optional<MainTab> fromRaw(const QString& raw);
    // Settings is followed by Slots; Slots is preceded by Settings.
    static MainTab next(MainTab tab);
    static MainTab previous(MainTab tab);
};
