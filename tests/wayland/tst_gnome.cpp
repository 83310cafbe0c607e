// The real program in a headless GNOME session (run-in-session.sh mutter) with GNOME's real
// desktop portal (xdg-desktop-portal and its GNOME backend): copies made by native Wayland
// applications reach the history through XWayland with no X11 window focused; the copy and
// paste commands, run as GNOME runs a custom shortcut's command (Control and Alt still held),
// take no keys until the user allows remote interaction in the portal's dialog, and then press
// Control+C / Control+V through the RemoteDesktop portal into a GTK entry on Wayland. The
// program opens one portal session for the whole run.
//
// The user's keyboard is a session of Mutter's own remote-desktop D-Bus API, kept for the whole
// suite (it is also the seat's keyboard, without which wl-copy fails under headless mutter).
// What the GTK entry holds is read through its accessibility interface (AT-SPI).
#include "AccessibleText.h"
#include "MutterKeyboard.h"
#include "PortalCallMonitor.h"
#include "WaylandTestSession.h"

#include <QTimer>
#include <linux/input-event-codes.h>

namespace {

const QByteArray usersClipboard = "the user's clipboard";
// How long the user still holds Control and Alt after GNOME ran the shortcut's command.
constexpr int holdMs = 150;

} // namespace

class GnomeTest : public QObject {
    Q_OBJECT

    WaylandTestSession m_session;
    MutterKeyboard m_keys;
    AccessibleText m_accessible;
    PortalCallMonitor m_portalCalls;
    bool m_held = false;
    // Copy and paste commands run after the user allowed remote interaction.
    int m_keyedChords = 0;
    bool m_failed = false;

    static QString slotPreview(int n) {
        return WaylandTestSession::slot(WaylandTestSession::state(), n)[QStringLiteral("preview")]
            .toString();
    }

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

    // The clipboard and its owner through X11 clients, which need no window of their own (a
    // Wayland client such as wl-paste needs one and takes the focus under mutter; and mutter
    // lets a Wayland client set the clipboard only while it has the focus).
    static QByteArray x11Clipboard() {
        const auto r = WaylandTestSession::run(QStringLiteral("timeout"),
                                               {"5", "xclip", "-o", "-selection", "clipboard"});
        return r.exitCode == 0 ? r.out : QByteArray();
    }
    // xclip, serving in the background, owns the clipboard with `text`.
    static bool setX11Clipboard(const QByteArray& text) {
        const auto set = WaylandTestSession::run(
            QStringLiteral("sh"), {"-c", "xclip -selection clipboard -i >/dev/null 2>&1"}, 10000,
            text);
        return set.exitCode == 0 &&
               WaylandTestSession::waitFor([&] { return x11Clipboard() == text; });
    }

    bool logSays(const QString& text) {
        return WaylandTestSession::waitFor(
            [&] { return QString::fromUtf8(m_session.log()).contains(text); }, 10000);
    }

    // zenity's entry dialog on Wayland, in front with its entry focused.
    std::unique_ptr<QProcess> startEntry(const QString& text) {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("GDK_BACKEND", "wayland");
        p->setProcessEnvironment(e);
        p->start(QStringLiteral("zenity"),
                 {"--entry", "--title=entry", "--text=type here", "--entry-text=" + text});
        const bool shown = WaylandTestSession::waitFor(
            [&] {
                return m_accessible.focusedText(QStringLiteral("zenity"), p->processId()) == text;
            },
            15000);
        return shown ? std::move(p) : nullptr;
    }
    QString entryText(const QProcess& p) {
        return m_accessible.focusedText(QStringLiteral("zenity"), p.processId()).value_or("");
    }
    // Accepts the dialog with Return; what zenity prints is the entry's final text.
    QByteArray acceptEntry(QProcess& p) {
        m_keys.tap(KEY_ENTER);
        if (!p.waitForFinished(5000)) {
            return "(the dialog did not close)";
        }
        return p.readAllStandardOutput();
    }

private Q_SLOTS:
    void initTestCase() {
        m_failed = true; // until set up
        if (WaylandTestSession::compositor() != u"mutter") {
            QFAIL("run this through tests/wayland/run-in-session.sh mutter");
        }
        QString error;
        QVERIFY2(m_keys.open(&error), qPrintable(error));
        QVERIFY2(m_accessible.open(&error), qPrintable(error));
        QVERIFY2(m_portalCalls.start(&error), qPrintable(error));
        // The user has turned GNOME's chords on (Stashwick's 21 custom shortcuts are in GNOME's
        // list): only then does the program ask for the keys.
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
        QCOMPARE(QProcess::execute(QStringLiteral("gsettings"),
                                   {QStringLiteral("set"),
                                    QStringLiteral("org.gnome.settings-daemon.plugins.media-keys"),
                                    QStringLiteral("custom-keybindings"),
                                    QLatin1Char('[') + paths.join(u',') + QLatin1Char(']')}),
                 0);
        QVERIFY(m_session.startInstance());

        // No data-control under mutter: the clipboard is the X11 one; keys go through the
        // portal, which the program asks at once since the chords are on.
        const QJsonObject platform =
            WaylandTestSession::dump()[QStringLiteral("platform")].toObject();
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

    // The dialog is open, nothing allowed yet: the copy command takes what is on the clipboard
    // and the paste command puts the slot there for the user, neither pressing a key. (The
    // clipboard goes through X11 clients here, which leave the dialog its focus.)
    void beforeTheUserAllowsChordsWorkWithoutKeys() {
        QVERIFY2(
            WaylandTestSession::waitFor([this] { return m_accessible.portalDialogShown(); }, 20000),
            "the portal's dialog did not show");
        QVERIFY(setX11Clipboard("copied before allowing"));
        QVERIFY(runAsShortcut(QStringLiteral("stashwick://copy-to-slot/2")));
        QVERIFY2(
            WaylandTestSession::waitFor([] { return slotPreview(2) == u"copied before allowing"; }),
            qPrintable(slotPreview(2)));
        QVERIFY(logSays(QStringLiteral("Clipboard \u2192 slot 2 (no Ctrl+C pressed)")));

        QVERIFY(setX11Clipboard(usersClipboard));
        QVERIFY(runAsShortcut(QStringLiteral("stashwick://paste-slot/2")));
        QVERIFY(logSays(QStringLiteral("Slot 2 on the clipboard: press Ctrl+V")));
        QTRY_COMPARE_WITH_TIMEOUT(x11Clipboard(), QByteArray("copied before allowing"), 5000);
        QCOMPARE(m_portalCalls.count("NotifyKeyboardKeycode"), 0);
    }

    // The user allows remote interaction as in GNOME: Return on the focused "Allow remote
    // interaction" (GNOME 43) or its mnemonic Alt+I (GNOME 48) turns it on, which lets the Share
    // button be pressed; Alt+S shares.
    void theUserAllowsRemoteInteraction() {
        QVERIFY2(
            WaylandTestSession::waitFor([this] { return m_accessible.portalDialogShown(); }, 20000),
            "the portal's dialog did not show");
        if (m_accessible.interactionFocused()) {
            m_keys.tap(KEY_ENTER);
        } else {
            m_keys.tap(KEY_I, {KEY_LEFTALT});
        }
        QVERIFY(WaylandTestSession::waitFor([this] { return m_accessible.shareEnabled(); }));
        m_keys.tap(KEY_S, {KEY_LEFTALT});
        QVERIFY2(logSays(QStringLiteral("the desktop allows remote interaction")),
                 m_session.log().constData());
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
        QVERIFY(
            m_session.setClipboard("copied in a Wayland app", QStringLiteral("text/plain"), false));
        QVERIFY(WaylandTestSession::waitFor([] {
            const QJsonObject h = WaylandTestSession::newestHistory(WaylandTestSession::dump());
            return h[QStringLiteral("preview")].toString() == u"copied in a Wayland app" &&
                   h[QStringLiteral("kind")].toString() == u"text";
        }));
    }

    // Control+A selects the entry's text; each copy command, run while Control and Alt are
    // still held, fills the slot with it. The entry's text is unchanged afterwards: none of the
    // program's keys reached it as typing.
    void copyCommandFillsTheSlotFromAGtkEntry() {
        auto entry = startEntry(QStringLiteral("from the entry"));
        QVERIFY(entry);
        m_keys.tap(KEY_A, {KEY_LEFTCTRL});
        QList<qint64> times;
        for (int i = 0; i < 20; ++i) {
            // Something else on the clipboard: only a copy made by the keys fills the slot.
            QVERIFY(setX11Clipboard("copy " + QByteArray::number(i)));
            if (!slotPreview(3).isEmpty()) {
                QVERIFY(WaylandTestSession::ok(QStringLiteral("stashwick://clear-slot/3")));
                QVERIFY(WaylandTestSession::waitFor([] { return slotPreview(3).isEmpty(); }));
            }
            QElapsedTimer t;
            t.start();
            QVERIFY(runAsShortcut(QStringLiteral("stashwick://copy-to-slot/3")));
            ++m_keyedChords;
            QVERIFY2(
                WaylandTestSession::waitFor([] { return slotPreview(3) == u"from the entry"; }),
                qPrintable(slotPreview(3)));
            times << t.elapsed();
        }
        qInfo("copy command to slot filled under mutter: median %.0f ms of 20 (min %lld, max "
              "%lld)",
              WaylandTestSession::median(times), *std::min_element(times.cbegin(), times.cend()),
              *std::max_element(times.cbegin(), times.cend()));
        QVERIFY(WaylandTestSession::waitFor([this] { return !m_held; }));
        QCOMPARE(entryText(*entry), QStringLiteral("from the entry"));
        QCOMPARE(acceptEntry(*entry), QByteArray("from the entry\n"));
    }

    // Each paste command puts slot 5 at the entry's cursor and gives the user's clipboard back
    // before the next.
    void pasteCommandPutsTheSlotIntoAGtkEntry() {
        QVERIFY(setX11Clipboard("PASTED"));
        QVERIFY(WaylandTestSession::ok(QStringLiteral("stashwick://capture-to-slot/5")));
        QCOMPARE(slotPreview(5), QStringLiteral("PASTED"));
        QVERIFY(setX11Clipboard(usersClipboard));

        auto entry = startEntry(QStringLiteral("abc"));
        QVERIFY(entry);
        m_keys.tap(KEY_END);
        QString expected = QStringLiteral("abc");
        QList<qint64> times;
        for (int i = 0; i < 20; ++i) {
            expected += QStringLiteral("PASTED");
            QElapsedTimer t;
            t.start();
            QVERIFY(runAsShortcut(QStringLiteral("stashwick://paste-slot/5")));
            ++m_keyedChords;
            QVERIFY2(WaylandTestSession::waitFor([&] { return entryText(*entry) == expected; }),
                     qPrintable(entryText(*entry)));
            times << t.elapsed();
            // Restored by the program, an X11 owner now.
            QTRY_COMPARE_WITH_TIMEOUT(x11Clipboard(), usersClipboard, 5000);
        }
        qInfo("paste command to text in a GTK entry under mutter: median %.0f ms of 20 (min "
              "%lld, max %lld)",
              WaylandTestSession::median(times), *std::min_element(times.cbegin(), times.cend()),
              *std::max_element(times.cbegin(), times.cend()));
        QVERIFY(WaylandTestSession::waitFor([this] { return !m_held; }));
        QCOMPARE(acceptEntry(*entry), (expected + u'\n').toUtf8());
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
};

QTEST_GUILESS_MAIN(GnomeTest)
#include "tst_gnome.moc"
