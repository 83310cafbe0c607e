#include "hotkeys/TerminalApps.h"
#include "platform/wayland/FakeInputSynthesizer.h"
#include "platform/wayland/KeystrokeChoice.h"
#include "platform/wayland/ToplevelForegroundApp.h"

#include <QTest>
#include <linux/input-event-codes.h>

namespace {

constexpr Modifiers control = Modifiers::of({Modifiers::control});
constexpr Modifiers controlShift = Modifiers::of({Modifiers::control, Modifiers::shift});

} // namespace

class TestWaylandKeys : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Wayland app ids as compositors report them, X11 classes of XWayland windows, and
    // desktop-entry names.
    void terminalAppIds() {
        for (const char* app :
             {"foot", "footclient", "org.codeberg.dnkl.foot", "org.gnome.Terminal",
              "org.gnome.Console", "org.gnome.Ptyxis", "org.kde.konsole", "kitty", "Alacritty",
              "org.wezfurlong.wezterm", "com.mitchellh.ghostty", "com.raggesilver.BlackBox",
              "org.kde.konsole.desktop", "XTerm", "xterm XTerm"}) {
            QVERIFY2(TerminalApps::isTerminal(QString::fromLatin1(app)), app);
        }
        for (const char* app :
             {"zenity", "firefox", "org.gnome.TextEditor", "org.kde.kate", "terminal-notes", ""}) {
            QVERIFY2(!TerminalApps::isTerminal(QString::fromLatin1(app)), app);
        }
    }

    void keystrokesFollowTheFocusedApp() {
        using K = KeystrokeChoice::Keystroke;
        // Anything not known as a terminal, the unknown window included, gets Control+C/V.
        for (const QString& app : {QStringLiteral("zenity"), QString()}) {
            QCOMPARE(KeystrokeChoice::copy(app), std::optional<K>(K{control, 'c', KEY_C}));
            QCOMPARE(KeystrokeChoice::paste(app), (K{control, 'v', KEY_V}));
            QVERIFY(!KeystrokeChoice::copiesBySelection(app));
        }
        QCOMPARE(KeystrokeChoice::copy("foot"), std::optional<K>(K{controlShift, 'c', KEY_C}));
        QCOMPARE(KeystrokeChoice::paste("foot"), (K{controlShift, 'v', KEY_V}));
        QVERIFY(!KeystrokeChoice::copiesBySelection("foot"));
        // xterm under XWayland: no copy keystroke, Shift+Insert pastes its selection.
        QVERIFY(KeystrokeChoice::copiesBySelection("XTerm"));
        QVERIFY(!KeystrokeChoice::copy("XTerm"));
        const K paste = KeystrokeChoice::paste("XTerm");
        QCOMPARE(paste.modifiers, Modifiers(Modifiers::shift));
        QCOMPARE(paste.key, quint32(KEY_INSERT));
        QCOMPARE(KeystrokeChoice::describe(paste), QStringLiteral("Shift+Insert"));
        QCOMPARE(KeystrokeChoice::describe(*KeystrokeChoice::copy("foot")),
                 QStringLiteral("Control+Shift+C"));
    }

    // KWin's fake keys share the seat's modifiers with the user's keyboard: whatever the user
    // holds is let go first, and nothing this keystroke pressed stays down.
    void fakeInputKeystrokeStandsAlone() {
        using E = FakeInputSynthesizer::KeyEvent;
        const QList<E> events = FakeInputSynthesizer::keyEvents(KeystrokeChoice::paste("foot"));
        const QList<quint32> modifierKeys{KEY_LEFTCTRL,   KEY_RIGHTCTRL, KEY_LEFTSHIFT,
                                          KEY_RIGHTSHIFT, KEY_LEFTALT,   KEY_RIGHTALT,
                                          KEY_LEFTMETA,   KEY_RIGHTMETA};
        QList<quint32> releasedFirst;
        int i = 0;
        for (; i < events.size() && !events[i].down; ++i) {
            releasedFirst.append(events[i].key);
        }
        for (quint32 key : modifierKeys) {
            QVERIFY2(releasedFirst.contains(key), qPrintable(QString::number(key)));
        }
        QCOMPARE(events.mid(i), (QList<E>{{KEY_LEFTCTRL, true},
                                          {KEY_LEFTSHIFT, true},
                                          {KEY_V, true},
                                          {KEY_V, false},
                                          {KEY_LEFTSHIFT, false},
                                          {KEY_LEFTCTRL, false}}));
        const QList<E> copy = FakeInputSynthesizer::keyEvents(*KeystrokeChoice::copy("zenity"));
        QCOMPARE(
            copy.mid(copy.size() - 4),
            (QList<E>{{KEY_LEFTCTRL, true}, {KEY_C, true}, {KEY_C, false}, {KEY_LEFTCTRL, false}}));
    }

    // Glue generated from a description whose events are out of line with the compositor's
    // would end the program's connection at the first window update.
    void foreignToplevelGlueMatchesTheProtocol() {
        QVERIFY(ToplevelForegroundApp::glueMatchesProtocol());
    }
};

QTEST_GUILESS_MAIN(TestWaylandKeys)
#include "tst_waylandkeys.moc"
