#include "RootView.h"

#include "HotkeysBanner.h"
#include "NotSavingBanner.h"
#include "app/AppState.h"
#include "history/HistoryView.h"
#include "settings/SettingsView.h"
#include "slots/SlotsView.h"
#include "snippets/SnippetsView.h"
#include "stats/StatsView.h"
#include "ui/CapsuleSegmented.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {
QList<CapsuleSegmented::Option> tabOptions() {
    QList<CapsuleSegmented::Option> options;
    for (MainTab tab : MainTabs::all) {
        options.append({MainTabs::rawValue(tab), RootView::title(tab), RootView::symbol(tab)});
    }
    return options;
}
} // namespace

QString RootView::title(MainTab tab) {
    switch (tab) {
    case MainTab::Slots:
        return QStringLiteral("Slots");
    case MainTab::History:
        return QStringLiteral("History");
    case MainTab::Snippets:
        return QStringLiteral("Snippets");
    case MainTab::Stats:
        return QStringLiteral("Stats");
    case MainTab::Settings:
        break;
    }
    return QStringLiteral("Settings");
}

QString RootView::symbol(MainTab tab) {
    switch (tab) {
    case MainTab::Slots:
        return QStringLiteral("square.grid.2x2");
    case MainTab::History:
        return QStringLiteral("clock.arrow.circlepath");
    case MainTab::Snippets:
        return QStringLiteral("text.badge.plus");
    case MainTab::Stats:
        return QStringLiteral("chart.bar");
    case MainTab::Settings:
        break;
    }
    return QStringLiteral("gearshape");
}

RootView::RootView(WindowContext context, QWidget* parent)
    : WindowBackground(context.theme, parent), m_context(std::move(context)),
      m_tabBar(new CapsuleSegmented(m_context.theme, tabOptions(), this)),
      m_banner(new HotkeysBanner(m_context.theme, this)),
      m_notSaving(new NotSavingBanner(m_context.theme, this)) {
    setMinimumSize(minimumWidth, minimumHeight);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 16, 24, 24);
    column->setSpacing(16);
    auto* bar = new QHBoxLayout;
    bar->addStretch(1);
    bar->addWidget(m_tabBar);
    bar->addStretch(1);
    column->addLayout(bar);
    // Both banners can show at once, closer to each other than to the rest.
    auto* banners = new QVBoxLayout;
    banners->setSpacing(8);
    banners->addWidget(m_notSaving);
    banners->addWidget(m_banner);
    column->addLayout(banners);
    m_content = new QVBoxLayout;
    m_content->setContentsMargins(0, 0, 0, 0);
    column->addLayout(m_content, 1);

    m_tabBar->setAccessibleName(QStringLiteral("Tabs"));
    m_tabBar->setRole(CapsuleSegmented::Role::Tabs);
    m_tabBar->setFocusPolicy(Qt::StrongFocus);
    AppState& state = m_context.state;
    connect(m_tabBar, &CapsuleSegmented::selectionChanged, this, [&state](const QString& value) {
        if (const auto tab = MainTabs::fromRaw(value)) {
            state.setMainTab(*tab);
        }
    });
    connect(&state, &AppState::mainTabChanged, this, [this](MainTab tab) { showTab(tab); });
    connect(&state, &AppState::eventTapActiveChanged, this, [this] { updateBanner(); });
    m_notSaving->setReason(state.notSavingReason());
    connect(&state, &AppState::notSavingChanged, m_notSaving, &NotSavingBanner::setReason);
    connect(m_banner, &HotkeysBanner::openSettings, this, [&state] {
        if (state.mainTab() != MainTab::Settings) {
            state.setMainTab(MainTab::Settings);
        }
    });
    showTab(state.mainTab());
}

void RootView::showTab(MainTab tab) {
    m_tabBar->setSelection(MainTabs::rawValue(tab));
    if (m_view) {
        m_content->removeWidget(m_view);
        m_view->deleteLater();
        m_view->hide();
    }
    m_view = makeView(tab);
    m_view->setAccessibleName(title(tab));
    m_content->addWidget(m_view);
    m_view->show();
    updateBanner();
}

QWidget* RootView::makeView(MainTab tab) {
    switch (tab) {
    case MainTab::Slots:
        return new SlotsView(m_context, this);
    case MainTab::History:
        return new HistoryView(m_context, this);
    case MainTab::Snippets:
        return new SnippetsView(m_context, this);
    case MainTab::Stats:
        return new StatsView(m_context, this);
    case MainTab::Settings:
        break;
    }
    return new SettingsView(m_context, this);
}

void RootView::updateBanner() {
    const AppState& state = m_context.state;
    const bool show =
        !state.eventTapActive() && !state.isAutomationRun() && state.mainTab() != MainTab::Settings;
    if (show) {
        m_banner->setReport(m_context.session());
    }
    m_banner->setVisible(show);
}

void RootView::restyle() {
    m_banner->restyle();
    m_notSaving->restyle();
    // The tab's view is made afresh; the keyboard stays on the control it was on (a picker
    // that changed the palette, say), found again by its accessible name.
    QWidget* focused = QApplication::focusWidget();
    const QString focusName =
        focused && m_view && m_view->isAncestorOf(focused) ? focused->accessibleName() : QString();
    showTab(m_context.state.mainTab());
    for (QWidget* w : m_view->findChildren<QWidget*>()) {
        if (!focusName.isEmpty() && w->accessibleName() == focusName &&
            w->focusPolicy() != Qt::NoFocus) {
            w->setFocus(Qt::OtherFocusReason);
            break;
        }
    }
    update();
}
