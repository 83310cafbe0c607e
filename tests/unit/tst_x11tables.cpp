#include "hotkeys/ChordRecognizer.h"
#include "hotkeys/KeyNames.h"
#include "platform/x11/KeyCodeMap.h"
#include "platform/x11/TerminalDetector.h"
#include "platform/x11/X11Modifiers.h"
#include "platform/x11/X11Session.h"

#include <QTest>

class X11TablesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keyCodesMapBothWays() {
        // Digit row, letters, keypad, function keys and arrows (evdev code + 8).
        QCOMPARE(KeyCodeMap::toX11(18), std::optional<quint8>(10));   // 1
        QCOMPARE(KeyCodeMap::toX11(29), std::optional<quint8>(19));   // 0
        QCOMPARE(KeyCodeMap::toX11(9), std::optional<quint8>(55));    // V
        QCOMPARE(KeyCodeMap::toX11(83), std::optional<quint8>(87));   // keypad 1
        QCOMPARE(KeyCodeMap::toX11(122), std::optional<quint8>(67));  // F1
        QCOMPARE(KeyCodeMap::toX11(123), std::optional<quint8>(113)); // left arrow
        QVERIFY(!KeyCodeMap::toX11(52));
        // Every key that has a name, every digit key and every keypad digit maps, and back.
        QList<quint16> codes;
        for (quint16 c = 0; c < 128; ++c) {
            if (!KeyNames::name(c).startsWith("key")) {
                codes << c;
            }
        }
        codes << 82 << 83 << 84 << 85 << 86 << 87 << 88 << 89 << 91 << 92;
        QSet<quint8> seen;
        for (quint16 c : codes) {
            const auto x = KeyCodeMap::toX11(c);
            QVERIFY2(x, qPrintable(QString::number(c)));
            QCOMPARE(KeyCodeMap::fromX11(*x), std::optional<quint16>(c));
            QVERIFY(!seen.contains(*x));
            seen.insert(*x);
        }
        for (int d = 0; d <= 9; ++d) {
            QVERIFY(KeyCodeMap::toX11(*ChordRecognizer::keyCode(d)));
        }
    }

    void modifierMasks() {
        X11Modifiers m;
        QCOMPARE(m.toMask(Modifiers(12)), std::optional<std::uint16_t>(4 | 8));
        QCOMPARE(m.toMask(Modifiers(5)), std::optional<std::uint16_t>(4 | 64));
        QCOMPARE(m.toMask(Modifiers(0)), std::optional<std::uint16_t>(0));
        QVERIFY(!m.toMask(Modifiers(16 | 4))); // bits we cannot grab
        // Lock, Num Lock and layout-group bits do not count.
        QCOMPARE(m.fromState(4 | 8 | 2 | 16 | (1 << 13)), Modifiers(12));
        QCOMPARE(m.fromState(1 | 64), Modifiers(Modifiers::shift | Modifiers::command));
    }

    void terminalClasses() {
        for (const char* cls :
             {"xterm XTerm", "gnome-terminal-server Gnome-terminal", "konsole konsole",
              "Alacritty Alacritty", "kitty kitty", "org.wezfurlong.wezterm org.wezfurlong.wezterm",
              "urxvt URxvt", "st-256color st-256color", "xfce4-terminal Xfce4-terminal",
              "tilix Tilix", "terminator Terminator"}) {
            QVERIFY2(TerminalDetector::isTerminalClass(cls), cls);
        }
        for (const char* cls : {"firefox Firefox", "gedit Gedit", "", "terminal-notes Notes"}) {
            QVERIFY2(!TerminalDetector::isTerminalClass(cls), cls);
        }
        // Only the xterm and rxvt families copy by selecting.
        for (const char* cls : {"xterm XTerm", "uxterm UXTerm", "urxvt URxvt", "rxvt Rxvt"}) {
            QVERIFY2(TerminalDetector::copiesBySelection(cls), cls);
        }
        for (const char* cls : {"lxterminal Lxterminal", "kitty kitty", "st-256color st-256color",
                                "firefox Firefox"}) {
            QVERIFY2(!TerminalDetector::copiesBySelection(cls), cls);
        }
    }

    void waylandSessionsAreSeenThroughXWayland() {
        QVERIFY(X11Session::isWaylandSession("wayland", ""));
        QVERIFY(X11Session::isWaylandSession("Wayland\n", ""));
        QVERIFY(X11Session::isWaylandSession("x11", "wayland-0"));
        QVERIFY(X11Session::isWaylandSession("", "wayland-1"));
        QVERIFY(!X11Session::isWaylandSession("x11", ""));
        QVERIFY(!X11Session::isWaylandSession("", ""));
        QVERIFY(!X11Session::isWaylandSession("tty", " "));

        // In a Wayland session the windows go to XWayland, unless the user chose otherwise or
        // there is no XWayland.
        QCOMPARE(X11Session::chosenQtPlatform("wayland", "wayland-1", ":0", ""), "xcb");
        QCOMPARE(X11Session::chosenQtPlatform("", "wayland-1", ":1", " "), "xcb");
        QVERIFY(!X11Session::chosenQtPlatform("wayland", "wayland-1", ":0", "wayland"));
        QVERIFY(!X11Session::chosenQtPlatform("wayland", "wayland-1", "", ""));
        QVERIFY(!X11Session::chosenQtPlatform("x11", "", ":0", ""));
    }
};

QTEST_GUILESS_MAIN(X11TablesTest)
#include "tst_x11tables.moc"
