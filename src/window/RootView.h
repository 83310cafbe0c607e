#pragma once

#include "WindowContext.h"
#include "app/MainTab.h"
#include "ui/WindowBackground.h"

class CapsuleSegmented;
class HotkeysBanner;
class NotSavingBanner;
class QVBoxLayout;

// The whole content of the main window: the textured background, the tab bar bound to the
// application's tab, the not-saving and shortcuts-off banners and the selected tab's view,
// made afresh each time its tab is selected (and when the theme changes, so every colour is
// read again).
class RootView : public WindowBackground {
    Q_OBJECT
public:
    static constexpr int minimumWidth = 760;
    static constexpr int minimumHeight = 560;

    explicit RootView(WindowContext context, QWidget* parent = nullptr);

    // The tab's title and symbol, as the tab bar shows them.
    static QString title(MainTab tab);
    static QString symbol(MainTab tab);

    CapsuleSegmented* tabBar() const { return m_tabBar; }
    HotkeysBanner* banner() const { return m_banner; }
    NotSavingBanner* notSavingBanner() const { return m_notSaving; }
    QWidget* tabView() const { return m_view; }
    // Rebuilds what shows with the theme's current colours.
    void restyle();

private:
    void showTab(MainTab tab);
    void updateBanner();
    QWidget* makeView(MainTab tab);

    WindowContext m_context;
    CapsuleSegmented* m_tabBar;
    HotkeysBanner* m_banner;
    NotSavingBanner* m_notSaving;
    QVBoxLayout* m_content;
    QWidget* m_view = nullptr;
};
