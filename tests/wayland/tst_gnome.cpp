// The real program in a headless GNOME session with GNOME's real desktop portal
// (xdg-desktop-portal and its GNOME backend): copies made by native Wayland applications reach
// the history through XWayland with no X11 window focused; once the user allows remote
// interaction in the portal's dialog, the copy and paste chords press Control+C / Control+V
// through the RemoteDesktop portal into a GTK entry on Wayland. The program opens one portal
// session for the whole run; a second start asks nothing again.
//
// Two sessions, told apart in GnomeTest's constructor alone:
// - run-in-session.sh mutter: plain mutter, no shell to grab keys; the suite runs the chords'
//   commands itself as GNOME runs a custom shortcut's command (Control and Alt still held);
// - run-in-session.sh gnome-shell: the real shell with GNOME's media-keys daemon. The suite
//   presses the chords on its keyboard. Where GNOME's portal offers GlobalShortcuts (GNOME 48
//   and later) the program binds its chords there once keys can be pressed, and the user adds
//   them in GNOME Settings' "Add Keyboard Shortcuts" dialog; elsewhere the user has added the
//   program's GNOME custom keyboard shortcuts, as the Settings card's button adds them.
//
// The user's keyboard is a session of Mutter's own remote-desktop D-Bus API, kept for the whole
// suite (it is also the seat's keyboard, without which wl-copy fails under headless mutter).
// What the GTK entry holds is read through its accessibility interface (AT-SPI).
#include "ChordScenario.h"
#include "MutterKeyboard.h"
#include "PortalCallMonitor.h"
#include "WaylandTestSession.h"
#include "ZenityEntry.h"
#include "core/QtScheduler.h"
#include "hotkeys/HotkeyConfig.h"
#include "platform/gnome/GnomeCustomShortcuts.h"

#include <QDir>
#include <QTimer>
#include <functional>
#include <linux/input-event-codes.h>

namespace {

const QByteArray usersClipboard = "the user's clipboard";
// How long the user still holds the chord's modifiers after its key went down.
constexpr int holdMs = 150;

// GNOME's portal has its own GlobalShortcuts backend, as the program tells it.
bool gnomePortalOffersGlobalShortcuts() {
    QFile file(qEnvironmentVariable("XDG_DESKTOP_PORTAL_DIR") + QStringLiteral("/gnome.portal"));
    return file.open(QIODevice::ReadOnly) &&
           file.readAll().contains("org.freedesktop.impl.portal.GlobalShortcuts");
}

// The session's GNOME release: the major version the compositor reports ("mutter 43.8",
// "GNOME Shell 48.7").
int gnomeRelease() {
    QProcess p;
    p.start(WaylandTestSession::compositor(), {QStringLiteral("--version")});
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput())
        .trimmed()
        .split(u' ')
        .last()
        .section(u'.', 0, 0)
        .toInt();
}

QByteArray compact(const QJsonObject& o) {
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

} // namespace

class GnomeTest : public QObject, private ScenarioDesk {
    Q_OBJECT

    WaylandTestSession m_session;
    MutterKeyboard m_keys;
    AccessibleText m_accessible;
    ZenityEntry m_entry{m_accessible};
    ChordScenario m_scenario{*this};
    PortalCallMonitor m_portalCalls;
    bool m_held = false;
    // Copy and paste commands run after the user allowed remote interaction.
    int m_keyedChords = 0;
    bool m_failed = false;
    // The session: the real shell grabs the chords; and there GNOME's GlobalShortcuts portal
    // binds them where it is offered.
    const bool m_shell = WaylandTestSession::compositor() == u"gnome-shell";
    const bool m_portalChords = m_shell && gnomePortalOffersGlobalShortcuts();
    // Dialogs the user answered, at the first start of the program and at the second.
    int m_dialogs[3] = {0, 0, 0};
    int m_start = 0;

    // As GNOME runs a custom shortcut's command: at the chord's key press, Control and Alt
    // still down; the user lets go of them holdMs later.
    bool runAsShortcut(const QString& url) {
        if (!WaylandTestSession::waitFor([this] { return !m_held; })) {
            return false;
        }
        m_keys.press(KEY_LEFTCTRL);
        m_keys.press(KEY_LEFTALT);
        m_held = true;
        auto* command = new QProcess(this);
        connect(command, &QProcess::finished, command, &QObject::deleteLater);
        command->start(QStringLiteral(STASHWICK_BIN), {url});
        QTimer::singleShot(holdMs, this, [this] {
            m_keys.release(KEY_LEFTALT);
            m_keys.release(KEY_LEFTCTRL);
            m_held = false;
        });
        return true;
    }

    // The user presses the copy chord (Control+Alt+n) or the paste chord (Control+Super+n) and
    // holds the modifiers holdMs after the key went down. Without a shell, the suite runs the
    // chord's command as GNOME runs a custom shortcut's.
    bool chord(bool copy, int n) {
        const QString url =
            QStringLiteral("stashwick://%1/%2").arg(copy ? "copy-to-slot" : "paste-slot").arg(n);
        if (!m_shell) {
            return runAsShortcut(url);
        }
        if (!WaylandTestSession::waitFor([this] { return !m_held; })) {
            return false;
        }
        const quint32 second = copy ? KEY_LEFTALT : KEY_LEFTMETA;
        m_keys.press(KEY_LEFTCTRL);
        m_keys.press(second);
        m_held = true;
        m_keys.press(WaylandTestSession::digitKey(n));
        m_keys.release(WaylandTestSession::digitKey(n));
        QTimer::singleShot(holdMs, this, [this, second] {
            m_keys.release(second);
            m_keys.release(KEY_LEFTCTRL);
            m_held = false;
        });
        return true;
    }

    // The user closes the overview the shell opens at its start (Escape), as a native
    // client's clipboard needs.
    bool closeOverview() {
        const auto active = [] {
            QDBusMessage get = QDBusMessage::createMethodCall(
                QStringLiteral("org.gnome.Shell"), QStringLiteral("/org/gnome/Shell"),
                QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
            get << QStringLiteral("org.gnome.Shell") << QStringLiteral("OverviewActive");
            const QDBusReply<QDBusVariant> r = QDBusConnection::sessionBus().call(get);
            return !r.isValid() || r.value().variant().toBool();
        };
        for (int i = 0; i < 5 && active(); ++i) {
            m_keys.tap(KEY_ESC);
            WaylandTestSession::waitFor([&] { return !active(); }, 2000);
        }
        return !active();
    }

    // The user answers the dialogs the program's start brings, as GNOME shows them: allows
    // remote interaction, and where the chords go through GNOME's portal adds the keyboard
    // shortcuts; until the program reports keys allowed (and the chords bound). Each answered
    // dialog is counted for this start.
    bool answerDialogsUntilReady(std::function<bool()> until = {}) {
        const auto ready = [this, until] {
            if (until) {
                return until();
            }
            const QString log = QString::fromUtf8(m_session.log());
            return log.contains(QStringLiteral("the desktop allows remote interaction")) &&
                   (!m_portalChords ||
                    log.contains(QStringLiteral("chords: the desktop bound the shortcuts")));
        };
        QElapsedTimer t;
        t.start();
        while (!ready() && t.elapsed() < 40000) {
            if (m_accessible.portalDialogShown()) {
                if (!allowRemoteInteraction()) {
                    return false;
                }
                ++m_dialogs[m_start];
            } else if (m_accessible.windowShown(u"Add Keyboard Shortcuts")) {
                if (!m_accessible.pressButton(u"Add Keyboard Shortcuts", u"Add")) {
                    return false;
                }
                ++m_dialogs[m_start];
                WaylandTestSession::waitFor(
                    [this] { return !m_accessible.windowShown(u"Add Keyboard Shortcuts"); });
            }
            QTest::qWait(50);
        }
        return ready();
    }

    // GNOME's remote-desktop dialog: Return on the focused "Allow remote interaction" (GNOME 43)
    // or its mnemonic Alt+I (GNOME 48) turns it on, which lets the Share button be pressed;
    // Alt+S shares.
    bool allowRemoteInteraction() {
        if (m_accessible.interactionFocused()) {
            m_keys.tap(KEY_ENTER);
        } else {
            m_keys.tap(KEY_I, {KEY_LEFTALT});
        }
        if (!WaylandTestSession::waitFor([this] { return m_accessible.shareEnabled(); })) {
            return false;
        }
        m_keys.tap(KEY_S, {KEY_LEFTALT});
        return WaylandTestSession::waitFor([this] { return !m_accessible.portalDialogShown(); });
    }

    // The user has turned GNOME's chords on through custom shortcuts: the program's 21 entries
    // are in GNOME's list. With the shell they are written whole, as the Settings card's button
    // writes them, since GNOME runs their commands; without one the list is enough.
    bool addCustomShortcuts() {
        if (m_shell) {
            QtScheduler scheduler;
            GnomeCustomShortcuts shortcuts(QStringLiteral(STASHWICK_BIN), scheduler);
            return answered([&](auto done) { shortcuts.add(HotkeyConfig(), done); }) &&
                   shortcuts.status().state == GnomeShortcuts::State::Added;
        }
        QStringList paths;
        for (const char* kind : {"copy", "paste"}) {
            for (int n = 0; n <= 9; ++n) {
                paths << QStringLiteral("'/org/gnome/settings-daemon/plugins/media-keys/"
                                        "custom-keybindings/stashwick-%1-%2/'")
                             .arg(QLatin1String(kind))
                             .arg(n);
            }
        }
        paths << QStringLiteral("'/org/gnome/settings-daemon/plugins/media-keys/"
                                "custom-keybindings/stashwick-summon/'");
        return QProcess::execute(QStringLiteral("gsettings"),
                                 {QStringLiteral("set"),
                                  QStringLiteral("org.gnome.settings-daemon.plugins.media-keys"),
                                  QStringLiteral("custom-keybindings"),
                                  QLatin1Char('[') + paths.join(u',') + QLatin1Char(']')}) == 0;
    }

    // GNOME Shell 47 and later keep Control+Super+1…9 for themselves ("open a new window of the
    // dash's nth application"), the program's default paste chords: the shell grabs none of
    // those for anyone else, and they never fire. The program finds them in GNOME's settings
    // and takes them off when the user presses "Give these keys to Stashwick", as here.
    static bool freeGnomesOwnKeys(int expected) {
        QtScheduler scheduler;
        GnomeCustomShortcuts shortcuts(QStringLiteral(STASHWICK_BIN), scheduler);
        if (!answered([&](auto done) { shortcuts.check(done); })) {
            return false;
        }
        const QList<GnomeShortcuts::Clash> clashes = shortcuts.clashes(HotkeyConfig());
        qInfo("GNOME's own shortcuts on the default chords: %d", int(clashes.size()));
        if (clashes.size() != expected ||
            (expected > 0 && !clashes[0].key.startsWith(u"open-new-window-application-"))) {
            qWarning("GNOME %d: %d of the shell's Control+Super+N found, not %d", gnomeRelease(),
                     int(clashes.size()), expected);
            return false;
        }
        return answered([&](auto done) { shortcuts.freeClashes(HotkeyConfig(), done); }) &&
               shortcuts.clashes(HotkeyConfig()).isEmpty();
    }

    // Makes one request of GNOME's shortcuts and waits (with a deadline) for its answer.
    template <typename Request> static bool answered(Request request) {
        bool done = false;
        request([&done] { done = true; });
        return WaylandTestSession::waitFor([&] { return done; }, 30000);
    }

    // The program's desktop file in the user's applications folder, starting the build's
    // program.
    static bool installDesktopFile() {
        QFile source(QStringLiteral(DESKTOP_FILE));
        if (!source.open(QIODevice::ReadOnly)) {
            return false;
        }
        QByteArray text = source.readAll();
        text.replace("\nExec=stashwick ", "\nExec=" STASHWICK_BIN " ");
        const QString folder =
            qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications");
        QFile target(folder + QStringLiteral("/io.stashwick.Stashwick.desktop"));
        return QDir().mkpath(folder) && target.open(QIODevice::WriteOnly) &&
               target.write(text) == text.size();
    }

    // The clipboard and its owner through X11 clients, which need no window of their own (a
    // Wayland client such as wl-paste needs one and takes the focus under mutter; and mutter
    // lets a Wayland client set the clipboard only while it has the focus).
    static QByteArray x11Clipboard() {
        const auto r = WaylandTestSession::run(QStringLiteral("timeout"),
                                               {"5", "xclip", "-o", "-selection", "clipboard"});
        return r.exitCode == 0 ? r.out : QByteArray();
    }
    // xclip, serving in the background, owns the clipboard with `text`. (The shell keeps what a
    // closing window had on the clipboard by taking it over: that may come after xclip, and
    // xclip then sets it again.)
    static bool setX11Clipboard(const QByteArray& text) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            const auto set = WaylandTestSession::run(
                QStringLiteral("sh"), {"-c", "xclip -selection clipboard -i >/dev/null 2>&1"},
                10000, text);
            if (set.exitCode == 0 &&
                WaylandTestSession::waitFor([&] { return x11Clipboard() == text; }, 2000)) {
                return true;
            }
        }
        return false;
    }

    // The scenario's session: GNOME delivers the chords (or the suite runs their commands as
    // GNOME does), the clipboard goes through X11 clients, and the entry is zenity's.
    QJsonObject dump() override { return m_session.dump(); }
    bool run(const QString& url) override { return m_session.ok(url); }
    bool setClipboard(const QByteArray& text) override { return setX11Clipboard(text); }
    QByteArray clipboard() override { return x11Clipboard(); }
    bool pressChord(ScenarioDesk::Chord kind, int slot) override {
        ++m_keyedChords;
        return chord(kind == ScenarioDesk::Chord::Copy, slot);
    }
    bool keysReleased() override {
        return WaylandTestSession::waitFor([this] { return !m_held; });
    }
    bool openEntry(const QString& text) override {
        return m_entry.start(text) && m_entry.selectAll([this] {
            m_keys.tap(KEY_A, {KEY_LEFTCTRL});
            return true;
        });
    }
    bool pressEnd() override {
        m_keys.tap(KEY_END);
        return true;
    }
    QString entryText() override { return m_entry.text(); }
    // (Once, on a loaded machine under gnome-shell 43, the dialog stayed open after Return: the
    // user presses it again.)
    QString closeEntry() override {
        for (int attempt = 0; attempt < 2; ++attempt) {
            m_keys.tap(KEY_ENTER);
            if (const auto text = m_entry.finished()) {
                return *text;
            }
        }
        return QStringLiteral("(the dialog did not close)");
    }

private Q_SLOTS:
    void initTestCase() {
        m_failed = true; // until set up
        const QString compositor = WaylandTestSession::compositor();
        if (compositor != u"mutter" && compositor != u"gnome-shell") {
            QFAIL("run this through tests/wayland/run-in-session.sh mutter or gnome-shell");
        }
        QString error;
        QVERIFY2(m_keys.open(&error), qPrintable(error));
        QVERIFY2(m_accessible.open(&error), qPrintable(error));
        QVERIFY2(m_portalCalls.start(&error), qPrintable(error));
        if (m_shell) {
            QVERIFY2(closeOverview(), "the overview stays open");
        }
        // With the shell: installed as the package installs it, so that the portals know the
        // program by its desktop file (without one GNOME's shortcuts dialog has no application
        // to show). Plain mutter has no shell to grab the portal's shortcuts: there the program
        // runs from the build without one, as on GNOME 43, whose portal needs none.
        if (m_shell) {
            QVERIFY(freeGnomesOwnKeys(gnomeRelease() >= 47 ? 9 : 0));
            QVERIFY(installDesktopFile());
        }
        // Where the chords are custom shortcuts, the user has turned them on: only then does
        // the program ask for the keys.
        if (!m_portalChords) {
            QVERIFY(addCustomShortcuts());
        }
        QVERIFY(m_session.startInstance());

        // No data-control under mutter: the clipboard is the X11 one; keys go through the
        // portal, which the program asks at once since the chords can come.
        const QJsonObject platform = m_session.dump()[QStringLiteral("platform")].toObject();
        qInfo("state.json platform at the first start: %s", compact(platform).constData());
        QCOMPARE(platform[QStringLiteral("session")].toString(), QStringLiteral("wayland"));
        QCOMPARE(platform[QStringLiteral("clipboard")].toString(), QStringLiteral("x11"));
        QCOMPARE(platform[QStringLiteral("keystrokes")].toString(),
                 QStringLiteral("remote-desktop-portal"));
        QVERIFY2(WaylandTestSession::waitFor([this] { return m_portalCalls.count("Start") == 1; },
                                             20000),
                 m_session.log().constData());
        m_failed = false;
    }

    void cleanup() {
        m_failed = m_failed || QTest::currentTestFailed();
        // The next test's keys must not come while Control and Alt are still held.
        QVERIFY(WaylandTestSession::waitFor([this] { return !m_held; }));
    }

    void cleanupTestCase() {
        const QByteArray log = m_session.stopInstance();
        if (m_failed) {
            qInfo("the program's log:\n%s", log.constData());
        }
    }

    // The user answers GNOME's dialogs: remote interaction, and where the chords go through
    // GNOME's portal, its "Add Keyboard Shortcuts" (one each).
    void theUserAllowsRemoteInteraction() {
        QVERIFY2(
            WaylandTestSession::waitFor([this] { return m_accessible.portalDialogShown(); }, 20000),
            "the portal's dialog did not show");
        QVERIFY2(answerDialogsUntilReady(), m_session.log().constData());
        QCOMPARE(m_dialogs[0], m_portalChords ? 2 : 1);
        qInfo("state.json platform once allowed: %s",
              compact(m_session.dump()[QStringLiteral("platform")].toObject()).constData());
    }

    // Each copy chord fills the slot from the entry's selection: the program presses the keys
    // while Control and Alt are still held. Each paste chord puts slot 5 at the entry's cursor
    // and the program, an X11 owner now, gives the user's clipboard back before the next.
    void copyChordFillsTheSlotFromAGtkEntry() { m_scenario.copyChordFillsTheSlot(20); }
    void pasteChordPutsTheSlotIntoAGtkEntry() { m_scenario.pasteChordPutsTheSlotAtTheCursor(20); }
    void aCopyChordRightAfterAPasteCopiesTheSelection() {
        m_scenario.copyChordOnce(8, QStringLiteral("copied after a paste"));
    }

    // wl-copy is a native Wayland client; mutter hands its selection to XWayland, where the
    // program reads the clipboard, although no X11 window has the focus.
    void nativeCopiesReachTheHistoryThroughXWayland() {
        // No X11 client is active: none at all (mutter 43), or mutter's own window that holds
        // the X11 focus while a Wayland window has it (mutter 48), which has no WM_CLASS.
        const auto active =
            WaylandTestSession::run(QStringLiteral("xprop"), {"-root", "_NET_ACTIVE_WINDOW"});
        const QByteArray window = active.out.trimmed().split(' ').last();
        if (!active.out.contains("not found") && window != "0x0") {
            const auto wmClass =
                WaylandTestSession::run(QStringLiteral("xprop"), {"-id", window, "WM_CLASS"});
            QVERIFY2(wmClass.exitCode == 0 && wmClass.out.contains("not found"),
                     (active.out + wmClass.out).constData());
        }
        QVERIFY(m_session.timeCopiesToHistory(QStringLiteral("copied in a Wayland app "),
                                              QStringLiteral("wl-copy to history under ") +
                                                  WaylandTestSession::compositor()));
        // An X11 owner takes the clipboard over, and the last wl-copy stops by itself (killed, it
        // would leave the compositor to take its content over later, in the middle of a test).
        QVERIFY(setX11Clipboard("after the Wayland copies"));
        QVERIFY(WaylandTestSession::waitFor([this] { return m_session.clipboardOwnerGone(); }));
    }

    // One portal session for the whole run, and four key events (Control and the key, down and
    // up) for each command run after the user allowed them.
    void onePortalSessionForTheRun() {
        QVERIFY(m_keyedChords > 0);
        QVERIFY(WaylandTestSession::waitFor(
            [this] { return m_portalCalls.count("NotifyKeyboardKeycode") >= 4 * m_keyedChords; }));
        QCOMPARE(m_portalCalls.count("NotifyKeyboardKeycode"), 4 * m_keyedChords);
        QCOMPARE(m_portalCalls.count("CreateSession"), 1);
        QCOMPARE(m_portalCalls.count("Start"), 1);
    }

    // The program started again: where the portal keeps the permission (RemoteDesktop version
    // 2, GNOME 45 on) no dialog shows, and the chords work at once; GNOME 43 asks again.
    void aSecondStartAsksNothing() {
        const QByteArray firstLog = m_session.stopInstance();
        if (m_failed) {
            qInfo("the program's log at the first start:\n%s", firstLog.constData());
        }
        m_start = 1;
        QVERIFY(m_session.startInstance());
        QVERIFY(WaylandTestSession::waitFor([this] { return m_portalCalls.count("Start") == 2; },
                                            20000));
        QVERIFY2(answerDialogsUntilReady(), m_session.log().constData());
        qInfo("dialogs answered under %s: %d at the first start, %d at the second",
              qPrintable(WaylandTestSession::compositor()), m_dialogs[0], m_dialogs[1]);
        qInfo("state.json platform at the second start: %s",
              compact(m_session.dump()[QStringLiteral("platform")].toObject()).constData());
        m_scenario.copyChordOnce(6, QStringLiteral("after the second start"));
        // GNOME's RemoteDesktop portal keeps the permission from GNOME 45 on (a restore
        // token); GNOME 43 asks again.
        QCOMPARE(m_dialogs[1], gnomeRelease() >= 45 ? 0 : 1);
    }

    // The user gives GNOME one of the chords back while the program runs (the shell's
    // Control+Super+4), so it stops reaching Stashwick; "Give these keys to Stashwick" takes it
    // off the shell again, and the chord pastes at once, without a new start.
    void aChordGnomeTookIsGivenBackWhileTheProgramRuns() {
        if (!m_shell) {
            QSKIP("no shell to grab keys under plain mutter");
        }
        QCOMPARE(WaylandTestSession::run(QStringLiteral("gsettings"),
                                         {"set", "org.gnome.shell.keybindings",
                                          "open-new-window-application-4", "['<Super><Control>4']"})
                     .exitCode,
                 0);
        QVERIFY(freeGnomesOwnKeys(1));
        QVERIFY(setX11Clipboard("GIVEN BACK"));
        QVERIFY(m_session.ok(QStringLiteral("stashwick://capture-to-slot/4")));
        QVERIFY(setX11Clipboard(usersClipboard));
        QVERIFY(openEntry(QString()));
        QVERIFY(pressChord(ScenarioDesk::Chord::Paste, 4));
        QVERIFY2(WaylandTestSession::waitFor([this] { return m_entry.text() == u"GIVEN BACK"; }),
                 qPrintable(m_entry.text()));
        QVERIFY(keysReleased());
        QCOMPARE(closeEntry(), QStringLiteral("GIVEN BACK"));
    }

    // Run from a build, without the desktop file the portals know the program by: the chords
    // still come, through the portal where it takes the program without an application id
    // (GNOME asks again, in its dialogs), else through GNOME's custom shortcuts, which Settings
    // offers to add. Nothing waits for an answer that cannot come.
    void withoutItsDesktopFileTheChordsStillCome() {
        if (!m_shell) {
            QSKIP("plain mutter runs the program without the desktop file from the start");
        }
        m_session.stopInstance();
        QVERIFY(QFile::remove(qEnvironmentVariable("XDG_DATA_HOME") +
                              QStringLiteral("/applications/io.stashwick.Stashwick.desktop")));
        QVERIFY(m_session.startInstance());
        const auto chords = [&] {
            return m_session.dump()[QStringLiteral("platform")]
                .toObject()[QStringLiteral("chords")]
                .toString();
        };
        // Either the portal takes the program without the file and binds the chords, or it
        // refuses them and they go to GNOME's custom shortcuts, which wait for the user to add
        // them; GNOME may ask first, in its dialogs, which the user answers.
        m_start = 2;
        QVERIFY2(answerDialogsUntilReady([&] {
                     return chords() == u"gnome-custom-shortcuts" ||
                            m_session.log().contains("chords: the desktop bound the shortcuts");
                 }),
                 m_session.log().constData());
        const bool refused =
            m_session.log().contains("application id io.stashwick.Stashwick was not accepted");
        qInfo("without the desktop file: chords %s (the registry %s the program), %d dialogs",
              qPrintable(chords()), refused ? "refuses" : "takes", m_dialogs[2]);
    }
};

QTEST_GUILESS_MAIN(GnomeTest)
#include "tst_gnome.moc"
