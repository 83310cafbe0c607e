// Which protocol does each job in a Wayland session, and the key bindings that give the
// chords through a compositor's configuration.
#include "hotkeys/CompositorBindings.h"
#include "platform/wayland/DataControlProtocol.h"
#include "platform/wayland/WaylandBackends.h"

#include <QtTest>
#include <wayland-client.h>

class SessionChoiceTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The standard data-control protocol wherever it is offered; the X11 clipboard without
    // either.
    void clipboardProtocolFollowsTheGlobals_data() {
        QTest::addColumn<QStringList>("globals"); // interface/version
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("primary");
        const QString ext = "ext_data_control_manager_v1/1", wlr = "zwlr_data_control_manager_v1/2",
                      wlr1 = "zwlr_data_control_manager_v1/1";
        QTest::newRow("ext only (KWin 6.5)") << QStringList{ext} << "ext-data-control" << true;
        QTest::newRow("wlr only (sway 1.7)") << QStringList{wlr} << "wlr-data-control" << true;
        QTest::newRow("wlr 1 (KWin 5.27)") << QStringList{wlr1} << "wlr-data-control" << false;
        QTest::newRow("both (sway 1.11)") << QStringList{wlr, ext} << "ext-data-control" << true;
        QTest::newRow("both, wlr 1") << QStringList{ext, wlr1} << "ext-data-control" << true;
        QTest::newRow("neither (Mutter)")
            << QStringList{"wl_data_device_manager/3"} << "x11" << false;
    }
    void clipboardProtocolFollowsTheGlobals() {
        QFETCH(QStringList, globals);
        QFETCH(QString, name);
        QFETCH(bool, primary);
        QList<WaylandConnection::Global> offered{{1, "wl_seat", 7}};
        for (const QString& g : globals) {
            const QStringList parts = g.split(u'/');
            offered.append({quint32(offered.size() + 1), parts[0].toUtf8(), parts[1].toUInt()});
        }
        const WaylandBackends b = WaylandBackends::choose(offered);
        QCOMPARE(b.clipboardName(), name);
        QCOMPARE(b.primarySelection, primary);
        // The device is made with the binding of that name, for that interface.
        const DataControlProtocol* protocol = DataControlProtocol::of(b.clipboard);
        QCOMPARE(protocol ? protocol->name : QStringLiteral("x11"), name);
        if (protocol) {
            QCOMPARE(QByteArray(protocol->manager->name),
                     QByteArray(name == u"ext-data-control" ? "ext_data_control_manager_v1"
                                                            : "zwlr_data_control_manager_v1"));
        }
    }

    void backendsFollowTheCompositorsGlobals() {
        using G = WaylandConnection::Global;
        const G seat{1, "wl_seat", 7};
        // sway: a virtual keyboard, foreign toplevels.
        auto b = WaylandBackends::choose({seat,
                                          {2, "zwlr_data_control_manager_v1", 2},
                                          {3, "zwp_virtual_keyboard_manager_v1", 1},
                                          {4, "zwlr_foreign_toplevel_manager_v1", 3}});
        QCOMPARE(b.keystrokesName(), QStringLiteral("virtual-keyboard"));
        QCOMPARE(b.focusedApp, WaylandBackends::FocusedApp::WlrForeignToplevel);
        // KWin 5.27: fake input; a fake input too old for keyboard keys is no keystroke service.
        b = WaylandBackends::choose({seat,
                                     {2, "zwlr_data_control_manager_v1", 1},
                                     {3, "org_kde_kwin_fake_input", 4},
                                     {4, "org_kde_plasma_window_management", 16}});
        QCOMPARE(b.keystrokesName(), QStringLiteral("kde-fake-input"));
        QCOMPARE(b.focusedApp, WaylandBackends::FocusedApp::KdePlasmaWindows);
        QCOMPARE(
            WaylandBackends::choose({seat, {3, "org_kde_kwin_fake_input", 3}}).keystrokesName(),
            QStringLiteral("none"));
        // Mutter: nothing of the kind.
        b = WaylandBackends::choose({seat, {2, "wl_data_device_manager", 3}});
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
    }
};

QTEST_GUILESS_MAIN(SessionChoiceTest)
#include "tst_sessionchoice.moc"
