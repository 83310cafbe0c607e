#include "hotkeys/ChordRecognizer.h"
#include "platform/portal/ShortcutTriggers.h"

#include <QSet>
#include <QTest>

namespace {
constexpr quint16 key3 = 20, key0 = 29, keyV = 9;
const Modifiers ctrlAlt(Modifiers::control | Modifiers::option);
const Modifiers all4(Modifiers::control | Modifiers::option | Modifiers::shift |
                     Modifiers::command);
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
    }

    void unknownIdsAndUnreadableTriggers() {
        for (const char* id : {"", "copy-slot-", "copy-slot-10", "paste-slot-x", "Summon",
                               "copy-slot-3 ", "slot-3"}) {
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
            const auto name = ShortcutTriggers::keyName(code);
            if (!name) {
                continue;
            }
            QVERIFY2(!names.contains(*name), qPrintable(*name));
            names.insert(*name);
            QCOMPARE(ShortcutTriggers::keyCode(*name), std::optional<quint16>(code));
        }
        // Letters, digits, punctuation, the keypad, F1–F16, navigation and the usual named keys.
        QCOMPARE(names.size(), 100); // the keys the X11 key-code map knows
        QCOMPARE(ShortcutTriggers::keyName(33), std::optional<QString>("bracketleft"));
        QCOMPARE(ShortcutTriggers::keyName(51), std::optional<QString>("BackSpace"));
        QCOMPARE(ShortcutTriggers::keyName(117), std::optional<QString>("Delete"));
    }
};

QTEST_GUILESS_MAIN(ShortcutTriggersTest)
#include "tst_shortcuttriggers.moc"
