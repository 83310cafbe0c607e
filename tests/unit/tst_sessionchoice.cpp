// Which protocol does each job in a Wayland session, and the key bindings that give the
// chords through a compositor's configuration.
#include "hotkeys/CompositorBindings.h"
#include "platform/wayland/WaylandBackends.h"

#include <QtTest>

class SessionChoiceTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void backendsFollowTheCompositorsGlobals() {
        using G = WaylandConnection::Global;
        const G seat{1, "wl_seat", 7};
        // sway: data-control with the primary selection, a virtual keyboard, foreign toplevels.
        auto b = WaylandBackends::choose({seat,
                                          {2, "zwlr_data_control_manager_v1", 2},
                                          {3, "zwp_virtual_keyboard_manager_v1", 1},
                                          {4, "zwlr_foreign_toplevel_manager_v1", 3}});
        QCOMPARE(b.clipboardName(), QStringLiteral("wlr-data-control"));
        QVERIFY(b.primarySelection);
        QCOMPARE(b.keystrokesName(), QStringLiteral("virtual-keyboard"));
        QCOMPARE(b.focusedApp, WaylandBackends::FocusedApp::WlrForeignToplevel);
        // KWin 5.27: data-control version 1 (no primary), fake input; a fake input too old for
        // keyboard keys is no keystroke service.
        b = WaylandBackends::choose({seat,
                                     {2, "zwlr_data_control_manager_v1", 1},
                                     {3, "org_kde_kwin_fake_input", 4},
                                     {4, "org_kde_plasma_window_management", 16}});
        QVERIFY(!b.primarySelection);
        QCOMPARE(b.keystrokesName(), QStringLiteral("kde-fake-input"));
        QCOMPARE(b.focusedApp, WaylandBackends::FocusedApp::KdePlasmaWindows);
        QCOMPARE(
            WaylandBackends::choose({seat, {3, "org_kde_kwin_fake_input", 3}}).keystrokesName(),
            QStringLiteral("none"));
        // Mutter: nothing of the kind; the clipboard stays on XWayland.
        b = WaylandBackends::choose({seat, {2, "wl_data_device_manager", 3}});
        QCOMPARE(b.clipboardName(), QStringLiteral("x11"));
        QCOMPARE(b.keystrokesName(), QStringLiteral("none"));
    }

    void bindingsRunTheCommandForEveryChord() {
        HotkeyConfig config;
        config.pasteModifiers = Modifiers::of({Modifiers::control, Modifiers::shift});
        const QString command = QStringLiteral("/opt/it's here/stashwick");
        const QStringList sway =
            CompositorBindings::lines(config, CompositorBindings::Flavour::Sway, command);
        QCOMPARE(sway.size(), 21);
        QCOMPARE(sway[3], QStringLiteral("bindsym Ctrl+Alt+3 exec '/opt/it'\\''s here/stashwick' "
                                         "'stashwick://copy-to-slot/3'"));
        QCOMPARE(sway[10], QStringLiteral("bindsym Ctrl+Shift+0 exec '/opt/it'\\''s "
                                          "here/stashwick' 'stashwick://paste-slot/0'"));
        QCOMPARE(sway[20], QStringLiteral("bindsym Ctrl+Alt+Mod4+v exec '/opt/it'\\''s "
                                          "here/stashwick' 'stashwick://summon'"));
        const QStringList hypr =
            CompositorBindings::lines(HotkeyConfig(), CompositorBindings::Flavour::Hyprland,
                                      QStringLiteral("/usr/bin/stashwick"));
        QCOMPARE(hypr[19], QStringLiteral("bind = CTRL SUPER, 9, exec, '/usr/bin/stashwick' "
                                          "'stashwick://paste-slot/9'"));
        QCOMPARE(CompositorBindings::flavourNamed("hyprland"),
                 CompositorBindings::Flavour::Hyprland);
        QVERIFY(!CompositorBindings::flavourNamed("kde"));
        QCOMPARE(CompositorBindings::keyName(123), QStringLiteral("Left"));
    }
};

QTEST_GUILESS_MAIN(SessionChoiceTest)
#include "tst_sessionchoice.moc"
