// KWin headless (run-in-session.sh kwin; 5.27, 6.3, 6.7): KWin's fake input copies from and
// pastes into a GTK entry on Wayland while the user still holds the chord's modifiers, and copies
// made by native Wayland applications reach the real program's history through data-control.
// The chords go through KDE's real GlobalShortcuts portal backend (kglobalaccel inside
// kwin_wayland on Plasma 6): bound on the first start (KDE 6.7 asks the user once in a dialog,
// answered here with Return), bound again without a dialog on a second start, bound anew when
// the configuration changes, and pressed as the user presses them.
// KWin offers no virtual keyboard: the user's keys come from a fake-input client of the
// test's own, on its own connection, which shares the seat's modifiers as a real keyboard does.
#include "ChordScenario.h"
#include "WaylandTestSession.h"
#include "ZenityEntry.h"
#include "core/UserDefaults.h"
#include "hotkeys/HotkeyConfig.h"
#include "platform/wayland/DataControlProtocol.h"
#include "platform/wayland/FakeInputSynthesizer.h"
#include "platform/wayland/PlasmaForegroundApp.h"

#include <QDir>
#include <QElapsedTimer>
#include <cstring>
#include <fake-input-client-protocol.h>
#include <functional>
#include <linux/input-event-codes.h>
#include <unistd.h>
#include <wayland-client.h>

class KwinTest : public QObject, private DataControlProtocol::SourceEvents, private ScenarioDesk {
    Q_OBJECT

    WaylandTestSession m_session;
    // The user's keyboard.
    std::unique_ptr<WaylandConnection> m_userConnection;
    org_kde_kwin_fake_input* m_user = nullptr;
    // A clipboard owner of the test's own, on the user's connection, that counts the pastes it
    // serves: a paste keystroke is known to have been taken once the entry asks for the data.
    // Through the data-control protocol KWin offers (the standard one from KWin 6.5).
    const DataControlProtocol* m_protocol = nullptr;
    wl_proxy* m_dataControl = nullptr;
    wl_proxy* m_device = nullptr;
    wl_proxy* m_source = nullptr;
    QByteArray m_offered;
    int m_served = 0;
    // The program's keystrokes and the focused window, on a connection like the program's.
    std::unique_ptr<WaylandConnection> m_connection;
    std::unique_ptr<FakeInputSynthesizer> m_synth;
    std::unique_ptr<PlasmaForegroundApp> m_focus;
    // What the GTK entry shows, read through the accessibility bus.
    AccessibleText m_accessible;
    ZenityEntry m_entry{m_accessible};
    ChordScenario m_scenario{*this};
    // Whether the KDE portal's window was up at the last look, and how many times it came up.
    bool m_portalWindowUp = false;
    int m_portalWindows = 0;
    bool m_failed = false;

    static constexpr auto kdePortal = "org.freedesktop.impl.portal.desktop.kde";

    bool userKeys(std::initializer_list<std::pair<quint32, bool>> keys) {
        for (const auto& [key, down] : keys) {
            org_kde_kwin_fake_input_keyboard_key(m_user, key, down ? 1 : 0);
        }
        return m_userConnection->roundtrip();
    }
    bool selectAll() {
        return userKeys(
            {{KEY_LEFTCTRL, true}, {KEY_A, true}, {KEY_A, false}, {KEY_LEFTCTRL, false}});
    }
    bool holdControlAlt(bool down) {
        return down ? userKeys({{KEY_LEFTCTRL, true}, {KEY_LEFTALT, true}})
                    : userKeys({{KEY_LEFTALT, false}, {KEY_LEFTCTRL, false}});
    }

    void send(const char*, int32_t fd) override {
        const ssize_t written = ::write(fd, m_offered.constData(), m_offered.size());
        ::close(fd);
        if (written == m_offered.size()) {
            ++m_served;
        }
    }
    // Only one source of ours is alive at a time: a new one cancels the one before.
    void cancelled() override {
        if (m_source) {
            m_protocol->destroySource(m_source);
            m_source = nullptr;
        }
    }
    // The device's offers are not read here: each is let go when it becomes a selection.
    static int onDeviceEvent(const void*, void* proxy, uint32_t, const wl_message* message,
                             wl_argument* args) {
        if ((std::strcmp(message->name, "selection") == 0 ||
             std::strcmp(message->name, "primary_selection") == 0) &&
            args[0].o) {
            auto* self =
                static_cast<KwinTest*>(wl_proxy_get_user_data(static_cast<wl_proxy*>(proxy)));
            self->m_protocol->destroyOffer(reinterpret_cast<wl_proxy*>(args[0].o));
        }
        return 0;
    }
    // Takes the clipboard with `text` (as text/plain and its UTF-8 names).
    bool offerClipboard(const QByteArray& text) {
        cancelled();
        m_offered = text;
        m_served = 0;
        m_source = m_protocol->createDataSource(m_dataControl);
        m_protocol->addSourceListener(m_source, this);
        for (const char* type : {"text/plain;charset=utf-8", "UTF8_STRING", "text/plain"}) {
            m_protocol->offerType(m_source, type);
        }
        m_protocol->setSelection(m_device, m_source);
        // Not checked with wl-paste, which would wait for this thread to serve it: nothing
        // here reads the clipboard while this source has it.
        return m_userConnection->roundtrip();
    }

    static QString portalSays(const QJsonObject& platform) {
        return QString::fromUtf8(QJsonDocument(platform).toJson(QJsonDocument::Compact));
    }

    // The user presses a chord: the modifiers, a tap of the key, and lets go of the modifiers
    // once KWin has the key, so that the program hears of the shortcut with them mostly still
    // down.
    bool pressKeys(std::initializer_list<quint32> modifiers, quint32 key) {
        for (quint32 m : modifiers) {
            org_kde_kwin_fake_input_keyboard_key(m_user, m, 1);
        }
        if (!userKeys({{key, true}, {key, false}})) {
            return false;
        }
        for (auto m = std::rbegin(modifiers); m != std::rend(modifiers); ++m) {
            org_kde_kwin_fake_input_keyboard_key(m_user, *m, 0);
        }
        return m_userConnection->roundtrip();
    }
    bool copyChord(quint32 digitKey) { return pressKeys({KEY_LEFTCTRL, KEY_LEFTALT}, digitKey); }
    bool pasteChord(quint32 digitKey) { return pressKeys({KEY_LEFTCTRL, KEY_LEFTMETA}, digitKey); }

    // Counts the KDE portal's windows as they come up (its consent dialog); returns whether one
    // is up now.
    bool portalWindowUp() {
        const bool up = m_focus->windowAppIds().contains(QLatin1String(kdePortal));
        if (up && !m_portalWindowUp) {
            ++m_portalWindows;
            qInfo("the KDE portal shows a window (%d so far)", m_portalWindows);
        }
        m_portalWindowUp = up;
        return up;
    }
    // How many times the program's log says the desktop bound its shortcuts.
    int bindings() {
        return static_cast<int>(
            m_session.log().count("chords: the desktop bound the shortcuts of session"));
    }
    // Waits until the program has had its shortcuts bound `count` times, answering the
    // portal's dialog as the user does: Return, once the dialog has the focus, accepts the
    // shortcuts it lists. Returns the dialogs that came up meanwhile.
    int bindThroughThePortal(int count, bool* bound) {
        const int before = m_portalWindows;
        bool answered = false;
        *bound = WaylandTestSession::waitFor(
            [&] {
                const bool up = portalWindowUp();
                if (!up) {
                    answered = false;
                } else if (!answered && m_focus->appId() == QLatin1String(kdePortal)) {
                    answered = userKeys({{KEY_ENTER, true}, {KEY_ENTER, false}});
                }
                return bindings() >= count && !up;
            },
            60000);
        return m_portalWindows - before;
    }
    QJsonObject platform() { return m_session.dump()[QStringLiteral("platform")].toObject(); }
    // The scenario's session: the user's fake-input keyboard presses the chords, which KDE's
    // portal delivers; the clipboard is wl-copy's, and the entry zenity's.
    QJsonObject dump() override { return m_session.dump(); }
    bool run(const QString& url) override { return m_session.ok(url); }
    bool setClipboard(const QByteArray& text) override { return m_session.setClipboard(text); }
    QByteArray clipboard() override { return WaylandTestSession::clipboard(); }
    bool pressChord(ScenarioDesk::Chord chord, int slot) override {
        const quint32 digit = WaylandTestSession::digitKey(slot);
        return chord == ScenarioDesk::Chord::Copy ? copyChord(digit) : pasteChord(digit);
    }
    bool openEntry(const QString& text) override {
        return m_entry.start(text) && m_entry.selectAll([this] { return selectAll(); });
    }
    bool pressEnd() override { return userKeys({{KEY_END, true}, {KEY_END, false}}); }
    QString entryText() override { return m_entry.text(); }
    QString closeEntry() override {
        return userKeys({{KEY_ENTER, true}, {KEY_ENTER, false}})
                   ? m_entry.finished().value_or(QStringLiteral("(the dialog did not close)"))
                   : QString();
    }

private Q_SLOTS:
    void initTestCase() {
        if (WaylandTestSession::compositor() != u"kwin") {
            QFAIL("run this through tests/wayland/run-in-session.sh kwin");
        }
        QString error;
        m_userConnection = WaylandConnection::open(&error);
        QVERIFY2(m_userConnection, qPrintable(error));
        m_user = static_cast<org_kde_kwin_fake_input*>(
            m_userConnection->bind(&org_kde_kwin_fake_input_interface, 4, 4));
        QVERIFY2(m_user, "KWin offers no fake input for keys");
        org_kde_kwin_fake_input_authenticate(m_user, "tst_kwin", "the user's keys");
        m_protocol =
            DataControlProtocol::of(WaylandBackends::choose(m_userConnection->globals()).clipboard);
        QVERIFY2(m_protocol, "KWin offers no data-control");
        m_dataControl = static_cast<wl_proxy*>(m_userConnection->bind(m_protocol->manager, 1, 1));
        QVERIFY(m_dataControl);
        m_device = m_protocol->getDataDevice(m_dataControl, m_userConnection->seat());
        wl_proxy_add_dispatcher(m_device, &onDeviceEvent, nullptr, this);
        QVERIFY(m_userConnection->roundtrip());

        m_connection = WaylandConnection::open(&error);
        QVERIFY2(m_connection, qPrintable(error));
        m_synth = FakeInputSynthesizer::create(*m_connection, &error);
        QVERIFY2(m_synth, qPrintable(error));
        m_focus = PlasmaForegroundApp::create(*m_connection);
        QVERIFY2(m_focus, "KWin offers no window list");
        QVERIFY2(m_accessible.open(&error), qPrintable(error));

        QVERIFY(WaylandTestSession::installDesktopFile());
    }

    // A test that failed half-way lets go of what the user held.
    void cleanup() {
        m_failed = m_failed || QTest::currentTestFailed();
        QVERIFY(holdControlAlt(false));
    }

    void cleanupTestCase() {
        const QByteArray log = m_session.stopInstance();
        if (m_failed) {
            qInfo("the program's log:\n%s", log.constData());
        }
        cancelled();
        if (m_device) {
            m_protocol->destroyDevice(m_device);
        }
        if (m_dataControl) {
            m_protocol->destroyManager(m_dataControl);
        }
        if (m_user) {
            org_kde_kwin_fake_input_destroy(m_user);
        }
    }

    // Whether this KWin reports held modifiers (KWin 6); KWin 5 does not.
    bool reportsModifiers() const {
        const auto keystate = m_connection->global("org_kde_kwin_keystate");
        return keystate && keystate->version >= 5;
    }
    // Presses a keystroke as the chords do: once the user's modifiers are out of the way.
    // Returns whether the keys went out before the user let go of Control+Alt.
    bool pressWhileHeld(const std::function<void()>& keystroke) {
        bool pressed = false;
        if (!holdControlAlt(true) || !m_connection->roundtrip()) {
            return false;
        }
        m_synth->whenModifiersFree([&] {
            keystroke();
            pressed = true;
        });
        // KWin has what the program sent before the user lets go.
        if (!m_connection->roundtrip()) {
            return false;
        }
        const bool beforeRelease = pressed;
        if (!holdControlAlt(false) ||
            !WaylandTestSession::waitFor([&] { return pressed && m_connection->roundtrip(); })) {
            return false;
        }
        return beforeRelease;
    }

    // Copy and paste in a GTK entry while the user holds Control+Alt, as after a chord: held,
    // they would turn the keystrokes into Control+Alt+C / V, which copy and paste nothing.
    // KWin 5 applies the fake releases of the modifiers, and the keys go at once; KWin 6 drops
    // them (the modifiers are the user's keyboard's), so the keys wait until it reports them
    // released, and no longer than the bound.
    void fakeInputCopiesAndPastesWhileTheUserHoldsModifiers() {
        QVERIFY(m_session.setClipboard("before the copy"));
        QVERIFY(openEntry(QStringLiteral("from the entry")));
        QCOMPARE(pressWhileHeld([this] { m_synth->sendCopy(); }), !reportsModifiers());
        QTRY_COMPARE_WITH_TIMEOUT(WaylandTestSession::clipboard(), QByteArray("from the entry"),
                                  5000);

        QVERIFY(offerClipboard("PASTED"));
        QVERIFY(selectAll());
        const int served = m_served;
        QCOMPARE(pressWhileHeld([this] { m_synth->sendPaste(); }), !reportsModifiers());
        QVERIFY(WaylandTestSession::waitFor([&] { return m_served > served; }));
        QVERIFY2(WaylandTestSession::waitFor([this] { return m_entry.text() == u"PASTED"; }),
                 qPrintable(m_entry.text()));
        // Nothing else reached the entry, and no modifier stayed down for the Return.
        QCOMPARE(closeEntry(), QStringLiteral("PASTED"));
    }

    // A user who keeps holding the modifiers gets the keys after the bound, not never.
    void theWaitForTheModifiersIsBounded() {
        if (!reportsModifiers()) {
            QSKIP("this KWin does not report held modifiers: the keys never wait");
        }
        QVERIFY(holdControlAlt(true));
        QVERIFY(m_connection->roundtrip());
        bool ran = false;
        QElapsedTimer waited;
        waited.start();
        m_synth->whenModifiersFree([&] { ran = true; });
        QVERIFY(!ran);
        QVERIFY(WaylandTestSession::waitFor([&] { return ran; }, 10000));
        QVERIFY2(waited.elapsed() >= FakeInputSynthesizer::modifierWaitMs,
                 qPrintable(QString::number(waited.elapsed())));
        QVERIFY(holdControlAlt(false));
        // Released: the next keystroke goes at once.
        QVERIFY(m_connection->roundtrip());
        ran = false;
        m_synth->whenModifiersFree([&] { ran = true; });
        QVERIFY(ran);
    }

    // KWin hands a native copy to X11 clients only while an X11 window has the focus; the
    // program's history sees it through data-control.
    void nativeCopiesReachTheHistory() {
        QVERIFY(m_session.startInstance());
        QJsonObject platform;
        const bool settled = WaylandTestSession::waitFor(
            [&] {
                platform = m_session.dump()[QStringLiteral("platform")].toObject();
                return !platform[QStringLiteral("clipboard")].toString().isEmpty();
            },
            20000);
        QVERIFY2(settled, m_session.log().constData());
        QCOMPARE(platform[QStringLiteral("session")].toString(), QStringLiteral("wayland"));
        // KWin 5.27 offers wlr-data-control, KWin 6.5 on only the standard ext-data-control.
        QCOMPARE(platform[QStringLiteral("clipboard")].toString(),
                 WaylandTestSession::offeredDataControl());
        QVERIFY(platform[QStringLiteral("clipboard")].toString() != u"x11");
        QVERIFY(m_session.setClipboard("copied in a Wayland app on KWin"));
        QVERIFY(WaylandTestSession::waitFor([&] {
            const QJsonObject h = WaylandTestSession::newestHistory(m_session.dump());
            return h[QStringLiteral("preview")].toString() == u"copied in a Wayland app on KWin";
        }));

        QVERIFY(m_session.timeCopiesToHistory(QStringLiteral("latency "),
                                              QStringLiteral("wl-copy to history")));
    }

    // The first start: the program gives its 21 shortcuts to KDE's portal, which binds them
    // in kglobalaccel; KDE 6.7 asks the user first, in one dialog (no answer to BindShortcuts
    // until then), KDE 5.27 and 6.3 do not ask.
    void firstStartBindsTheChordsThroughTheKdePortal() {
        bool bound = false;
        const int dialogs = bindThroughThePortal(1, &bound);
        QVERIFY2(bound, m_session.log().constData());
        qInfo("first start: %d consent dialog(s)", dialogs);
        QVERIFY(dialogs <= 1);
        const QJsonObject p = platform();
        qInfo("state.json platform: %s", qPrintable(portalSays(p)));
        QCOMPARE(p[QStringLiteral("chords")].toString(), QStringLiteral("global-shortcuts-portal"));
        QCOMPARE(p[QStringLiteral("clipboard")].toString(),
                 WaylandTestSession::offeredDataControl());
        QVERIFY(!m_session.log().contains("did not bind the shortcuts"));
    }

    // The chords pressed on the user's keyboard: KWin's kglobalaccel hears them, the portal
    // tells the program, which copies from and pastes into a GTK entry.
    void copyChordFillsTheSlotFromAGtkEntry() { m_scenario.copyChordFillsTheSlot(20); }
    void pasteChordPutsTheSlotIntoAGtkEntry() { m_scenario.pasteChordPutsTheSlotAtTheCursor(20); }
    void aCopyChordRightAfterAPasteCopiesTheSelection() {
        m_scenario.copyChordOnce(8, QStringLiteral("copied after a paste"));
    }

    // The program started again finds its shortcuts kept by kglobalaccel under its app id:
    // the portal binds them without asking, and they work.
    void aSecondStartBindsWithoutADialog() {
        const QByteArray first = m_session.stopInstance();
        if (m_failed) {
            qInfo("the first start's log:\n%s", first.constData());
        }
        QVERIFY(m_session.startInstance());
        bool bound = false;
        const int dialogs = bindThroughThePortal(1, &bound);
        QVERIFY2(bound, m_session.log().constData());
        qInfo("second start: %d consent dialog(s)", dialogs);
        QCOMPARE(dialogs, 0);
        qInfo("state.json platform: %s", qPrintable(portalSays(platform())));

        m_scenario.copyChordOnce(4, QStringLiteral("after a restart"));
    }

    // A chord recorded in Settings (the configuration saved, the hotkeys reloaded): the program
    // binds its shortcuts anew, and the new chord copies.
    void aRecordedChordRebinds() {
        HotkeyConfig config = HotkeyConfig::defaults();
        config.copyModifiers = Modifiers(Modifiers::option | Modifiers::command);
        {
            UserDefaults defaults(qEnvironmentVariable("XDG_CONFIG_HOME") +
                                  QStringLiteral("/Stashwick/Stashwick.conf"));
            config.save(defaults);
        }
        const int before = bindings();
        QVERIFY(m_session.ok(QStringLiteral("stashwick://reload-hotkeys")));
        bool bound = false;
        const int dialogs = bindThroughThePortal(before + 1, &bound);
        QVERIFY2(bound, m_session.log().constData());
        qInfo("rebinding: %d consent dialog(s)", dialogs);

        QVERIFY(openEntry(QStringLiteral("with the recorded chord")));
        QVERIFY(pressKeys({KEY_LEFTALT, KEY_LEFTMETA}, KEY_6));
        QVERIFY2(
            WaylandTestSession::waitFor(
                [this] { return m_scenario.slotPreview(6) == u"with the recorded chord"; }, 10000),
            qPrintable(m_scenario.slotPreview(6) + QLatin1Char('\n') +
                       QString::fromUtf8(m_session.log())));
        QCOMPARE(closeEntry(), QStringLiteral("with the recorded chord"));
    }
};

QTEST_GUILESS_MAIN(KwinTest)
#include "tst_kwin.moc"
