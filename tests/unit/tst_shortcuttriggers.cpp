#include "hotkeys/ChordRecognizer.h"
#include "hotkeys/CompositorBindings.h"
#include "hotkeys/KeyTable.h"
#include "platform/gnome/GnomeShortcutEntries.h"
#include "platform/portal/ShortcutTriggers.h"

#include <QSet>
#include <QTest>

namespace {
constexpr quint16 key3 = 20, key0 = 29, keyV = 9;
const Modifiers ctrlAlt(Modifiers::control | Modifiers::option);
const Modifiers all4(Modifiers::control | Modifiers::option | Modifiers::shift |
                     Modifiers::command);
const QString command = QStringLiteral("/usr/bin/stashwick");
} // namespace

class ShortcutTriggersTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void defaultsGiveTheTwentyOneShortcuts() {
        const HotkeyConfig config = HotkeyConfig::defaults();
        const auto shortcuts = ShortcutTriggers::shortcuts(config);
        QCOMPARE(shortcuts.size(), 21);
        QCOMPARE(shortcuts[3],
                 (ShortcutTriggers::Shortcut{"copy-slot-3", "Copy into slot 3", "CTRL+ALT+3"}));
        QCOMPARE(shortcuts[10],
                 (ShortcutTriggers::Shortcut{"paste-slot-0", "Paste slot 0", "CTRL+LOGO+0"}));
        QCOMPARE(shortcuts[20],
                 (ShortcutTriggers::Shortcut{"summon", "Open Stashwick", "CTRL+ALT+LOGO+v"}));

        // Every shortcut leads back to its action and, through its trigger, to the chord the
        // recognizer takes for that action.
        const ChordRecognizer recognizer{config};
        QSet<QString> ids;
        for (const auto& s : shortcuts) {
            ids.insert(s.id);
            const auto action = ShortcutTriggers::action(s.id);
            QVERIFY2(action, qPrintable(s.id));
            QCOMPARE(ShortcutTriggers::id(*action), s.id);
            const auto chord = ShortcutTriggers::chord(s.preferredTrigger);
            QVERIFY2(chord, qPrintable(s.preferredTrigger));
            QCOMPARE(*chord, *ShortcutTriggers::stroke(s.id, config));
            QCOMPARE(recognizer.decide(*chord), *action);
        }
        QCOMPARE(ids.size(), 21);
    }

    void modifiersKeepOneOrderAndReadInAny() {
        HotkeyConfig config;
        config.copyModifiers = all4;
        config.pasteModifiers = Modifiers(Modifiers::shift | Modifiers::command);
        config.summon = KeyChord{36, Modifiers(Modifiers::option | Modifiers::control)};
        const auto shortcuts = ShortcutTriggers::shortcuts(config);
        QCOMPARE(shortcuts[7].preferredTrigger, QStringLiteral("CTRL+ALT+SHIFT+LOGO+7"));
        QCOMPARE(shortcuts[19].preferredTrigger, QStringLiteral("SHIFT+LOGO+9"));
        QCOMPARE(shortcuts[20].preferredTrigger, QStringLiteral("CTRL+ALT+Return"));

        QCOMPARE(ShortcutTriggers::chord("logo+shift+Alt+CTRL+3"), (KeyChord{key3, all4}));
        QCOMPARE(ShortcutTriggers::chord("Super+V"),
                 (KeyChord{keyV, Modifiers(Modifiers::command)}));
        QCOMPARE(ShortcutTriggers::chord("Control + Meta + Prior"),
                 (KeyChord{116, Modifiers(Modifiers::control | Modifiers::command)}));
        QCOMPARE(ShortcutTriggers::chord("KP_1"), (KeyChord{83, Modifiers()}));
    }

    void oddConfigurations() {
        HotkeyConfig config;
        config.copyModifiers = Modifiers();                       // a bare digit
        config.pasteModifiers = Modifiers(ctrlAlt.rawValue | 64); // a bit of no known key
        config.summon = KeyChord{200, ctrlAlt};                   // a key without a name
        const auto shortcuts = ShortcutTriggers::shortcuts(config);
        QCOMPARE(shortcuts.size(), 21);
        QCOMPARE(shortcuts[5].preferredTrigger, QStringLiteral("5"));
        QCOMPARE(shortcuts[13].preferredTrigger, QStringLiteral("CTRL+ALT+3"));
        QCOMPARE(shortcuts[20].description, QStringLiteral("Open Stashwick"));
        QVERIFY(shortcuts[20].preferredTrigger.isEmpty());

        // An activation stands for the configured chord itself, unknown bits included, so
        // the recognizer's exact match still takes it.
        const ChordRecognizer recognizer{config};
        QCOMPARE(recognizer.decide(*ShortcutTriggers::stroke("paste-slot-3", config)),
                 HotkeyDecision::pasteFromSlot(3));
        QCOMPARE(recognizer.decide(*ShortcutTriggers::stroke("copy-slot-0", config)),
                 HotkeyDecision::copyToSlot(0));
        QCOMPARE(recognizer.decide(*ShortcutTriggers::stroke("summon", config)),
                 HotkeyDecision::summon());
        QCOMPARE(*ShortcutTriggers::stroke("copy-slot-0", config), (KeyChord{key0, Modifiers()}));

        // The key without a name binds nowhere, and the bindings say so instead of a name that
        // no desktop reads.
        for (const auto flavour :
             {CompositorBindings::Flavour::Sway, CompositorBindings::Flavour::Hyprland}) {
            const QStringList lines = CompositorBindings::lines(config, flavour, command);
            QCOMPARE(lines.size(), 21);
            QVERIFY2(lines[20].startsWith("# "), qPrintable(lines[20]));
            QVERIFY(lines[20].contains("stashwick://summon"));
            QVERIFY(lines[19].contains("stashwick://paste-slot/9"));
        }
        QVERIFY(GnomeShortcutEntries::entries(config, command)[20].binding.isEmpty());
    }

    // A chord recorded on any key the program knows reads the same in every desktop's syntax:
    // the portal's trigger, sway's and Hyprland's bindings and GNOME's accelerator all name
    // the key by its xkbcommon name.
    void aRecordedKeyBindsInEveryDesktopsSyntax_data() {
        QTest::addColumn<quint16>("code");
        QTest::addColumn<QString>("xkb");
        QTest::newRow("semicolon") << quint16(41) << "semicolon";
        QTest::newRow("F5") << quint16(96) << "F5";
        QTest::newRow("Page Up") << quint16(116) << "Page_Up";
        QTest::newRow("keypad 1") << quint16(83) << "KP_1";
        QTest::newRow("backslash") << quint16(42) << "backslash";
        QTest::newRow("V") << keyV << "v";
        QTest::newRow("left arrow") << quint16(123) << "Left";
        QTest::newRow("Delete") << quint16(51) << "BackSpace";
        QTest::newRow("Esc") << quint16(53) << "Escape";
        QTest::newRow("Space") << quint16(49) << "space";
    }
    void aRecordedKeyBindsInEveryDesktopsSyntax() {
        QFETCH(quint16, code);
        QFETCH(QString, xkb);
        HotkeyConfig config;
        config.summon = KeyChord{code, ctrlAlt};
        const QString run = QStringLiteral("'/usr/bin/stashwick' 'stashwick://summon'");
        QCOMPARE(ShortcutTriggers::shortcuts(config)[20].preferredTrigger, "CTRL+ALT+" + xkb);
        QCOMPARE(CompositorBindings::lines(config, CompositorBindings::Flavour::Sway, command)[20],
                 "bindsym Ctrl+Alt+" + xkb + " exec " + run);
        QCOMPARE(
            CompositorBindings::lines(config, CompositorBindings::Flavour::Hyprland, command)[20],
            "bind = CTRL ALT, " + xkb + ", exec, " + run);
        QCOMPARE(GnomeShortcutEntries::entries(config, command)[20].binding,
                 "<Control><Alt>" + xkb);
    }

    // A desktop keeps the keys it has for a shortcut it already knows (KDE's are its user's
    // choice), so a chord other than the default one is another shortcut: its id names the
    // chord. The default chords keep the plain ids.
    void aChordOtherThanTheDefaultHasItsOwnId() {
        HotkeyConfig config = HotkeyConfig::defaults();
        config.copyModifiers = Modifiers(Modifiers::control | Modifiers::shift);
        config.summon = KeyChord{36, ctrlAlt};
        const auto shortcuts = ShortcutTriggers::shortcuts(config);
        QCOMPARE(shortcuts[3], (ShortcutTriggers::Shortcut{"copy-slot-3.ctrl-shift-3",
                                                           "Copy into slot 3", "CTRL+SHIFT+3"}));
        QCOMPARE(shortcuts[13].id, QStringLiteral("paste-slot-3"));
        QCOMPARE(shortcuts[20].id, QStringLiteral("summon.ctrl-alt-return"));
        const ChordRecognizer recognizer{config};
        for (const auto& s : shortcuts) {
            const auto action = ShortcutTriggers::action(s.id);
            QVERIFY2(action, qPrintable(s.id));
            QCOMPARE(recognizer.decide(*ShortcutTriggers::stroke(s.id, config)), *action);
        }
        QCOMPARE(ShortcutTriggers::action("paste-slot-0.ctrl-kp_1"),
                 HotkeyDecision::pasteFromSlot(0));
    }

    void unknownIdsAndUnreadableTriggers() {
        for (const char* id : {"", "copy-slot-", "copy-slot-10", "paste-slot-x", "Summon",
                               "copy-slot-3 ", "slot-3", "copy-slot-3.", "copy-slot-3.CTRL-3",
                               "summon.ctrl alt", "copy-slot-.ctrl-3", "summon..x"}) {
            QVERIFY2(!ShortcutTriggers::action(id), id);
            QVERIFY2(!ShortcutTriggers::stroke(id, HotkeyConfig::defaults()), id);
        }
        QVERIFY(ShortcutTriggers::id(HotkeyDecision::copyToSlot(12)).isEmpty());
        QVERIFY(ShortcutTriggers::id(HotkeyDecision::passThrough()).isEmpty());

        for (const char* trigger : {"", "+", "CTRL+", "NUM+3", "CTRL+CTRL+3", "CTRL+ALT+F99",
                                    "HYPER+3", "CTRL+ALT+Esc", "3+CTRL"}) {
            QVERIFY2(!ShortcutTriggers::chord(trigger), trigger);
        }
    }

    void everyNamedKeyReadsBack() {
        QSet<QString> names;
        for (quint16 code = 0; code < 256; ++code) {
            const auto name = KeyTable::xkbName(code);
            if (!name) {
                continue;
            }
            QVERIFY2(!names.contains(*name), qPrintable(*name));
            names.insert(*name);
            QCOMPARE(KeyTable::keyCodeNamed(*name), std::optional<quint16>(code));
        }
        // Letters, digits, punctuation, the keypad, F1–F16, navigation and the usual named keys.
        QCOMPARE(names.size(), 100); // the keys the X11 key-code map knows
        QCOMPARE(KeyTable::xkbName(33), std::optional<QString>("bracketleft"));
        QCOMPARE(KeyTable::xkbName(51), std::optional<QString>("BackSpace"));
        QCOMPARE(KeyTable::xkbName(117), std::optional<QString>("Delete"));
    }
};

QTEST_GUILESS_MAIN(ShortcutTriggersTest)
#include "tst_shortcuttriggers.moc"
