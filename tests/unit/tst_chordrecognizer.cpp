#include "LogCapture.h"
#include "hotkeys/EventTapController.h"
#include "hotkeys/FakeEventTap.h"

#include <QTest>

namespace {
constexpr quint16 key3 = 20;
const Modifiers ctrlAlt(12), ctrlSuper(5), ctrlAltSuper(13);
} // namespace

class ChordRecognizerTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void decidesByExactMatchWithSummonFirstFromTheEventFlags() {
        ChordRecognizer r{HotkeyConfig::defaults()};
        QCOMPARE(r.decide({key3, ctrlAlt}), HotkeyDecision::copyToSlot(3));
        QCOMPARE(r.decide({key3, ctrlSuper}), HotkeyDecision::pasteFromSlot(3));
        QCOMPARE(r.decide({9, ctrlAltSuper}), HotkeyDecision::summon());
        QCOMPARE(r.decide({9, ctrlAlt}), HotkeyDecision::passThrough()); // its key alone
        QCOMPARE(r.decide({9, Modifiers()}), HotkeyDecision::passThrough());
        QCOMPARE(r.decide({key3, Modifiers(12 | 2)}), HotkeyDecision::passThrough());
        QCOMPARE(r.decide({83, ctrlAlt}), HotkeyDecision::passThrough()); // keypad 1
        QCOMPARE(r.decide({8, ctrlAlt}), HotkeyDecision::passThrough());
        QVERIFY(!(r.decide({key3, ctrlAlt}) == HotkeyDecision::copyToSlot(4)));

        r.config.summon = KeyChord{18, ctrlAlt};
        QCOMPARE(r.decide({18, ctrlAlt}), HotkeyDecision::summon());
        r.config.summon = KeyChord{83, ctrlAlt};
        QCOMPARE(r.decide({83, ctrlAlt}), HotkeyDecision::summon());

        r.config.pasteModifiers = r.config.copyModifiers;
        QCOMPARE(r.decide({key3, ctrlAlt}), HotkeyDecision::copyToSlot(3));

        QCOMPARE(ChordRecognizer::keyCode(7), std::optional<quint16>(26));
        QCOMPARE(ChordRecognizer::keyCode(0), std::optional<quint16>(29));
        QVERIFY(!ChordRecognizer::keyCode(10));
        QVERIFY(!ChordRecognizer::keyCode(-1));

        // Event flags map to the four modifiers; Caps Lock, Fn and the rest are ignored.
        QCOMPARE(ChordRecognizer::modifiersFromFlags(0x40000 | 0x80000), ctrlAlt);
        QCOMPARE(ChordRecognizer::modifiersFromFlags(0x40000 | 0x80000 | 0x10000), ctrlAlt);
        QCOMPARE(ChordRecognizer::modifiersFromFlags(0x40000 | 0x80000 | 0x800000 | 0x200000 |
                                                     0x400000 | 0x21),
                 ctrlAlt);
        QCOMPARE(ChordRecognizer::modifiersFromFlags(0x100000 | 0x20000), Modifiers(3));
    }

    // The controller starts only with trust and an installable tap, hands on the chords it
    // swallows, and takes a new configuration at the next key.
    void controllerStartsOnlyWithTrust() {
        FakeEventTap tap;
        QList<HotkeyDecision> matched;
        EventTapController controller(tap, ChordRecognizer{HotkeyConfig::defaults()},
                                      [&](const HotkeyDecision& d) { matched << d; });
        tap.trusted = false;
        {
            LogCapture log;
            QVERIFY(!controller.start());
            QVERIFY(log.contains("io.stashwick.hotkeys",
                                 "event tap not started: Accessibility not granted"));
        }
        QCOMPARE(tap.installs, 0);
        tap.trusted = true;
        tap.installable = false;
        {
            LogCapture log;
            QVERIFY(!controller.start());
            QVERIFY(log.contains("io.stashwick.hotkeys", "CGEvent.tapCreate returned nil"));
            QVERIFY(!controller.isActive());
        }
        tap.installable = true;
        QVERIFY(controller.start());
        QVERIFY(controller.start());
        QCOMPARE(tap.installs, 2); // the failed attempt and one real install

        // Chords are swallowed and handed on; everything else passes.
        QVERIFY(tap.keyDown({key3, ctrlAlt}));
        QVERIFY(!tap.keyDown({key3, Modifiers(14)}));
        QVERIFY(!tap.send({EventTap::EventType::Other, {key3, ctrlAlt}}));
        QCOMPARE(matched, QList<HotkeyDecision>({HotkeyDecision::copyToSlot(3)}));

        // Switched off by the system: switched back on, event passed back.
        QVERIFY(!tap.send({EventTap::EventType::DisabledByTimeout, {}}));
        QVERIFY(!tap.send({EventTap::EventType::DisabledByUserInput, {}}));
        QCOMPARE(tap.reenables, 2);

        HotkeyConfig changed = HotkeyConfig::defaults();
        changed.copyModifiers = Modifiers(Modifiers::control | Modifiers::shift);
        LogCapture log;
        controller.updateConfig(changed);
        QVERIFY(log.contains("io.stashwick.hotkeys", "hotkey config reloaded"));
        QCOMPARE(tap.installedConfig, changed);
        QVERIFY(!tap.keyDown({key3, ctrlAlt}));
        QVERIFY(tap.keyDown({key3, Modifiers(6)}));
        QCOMPARE(matched, QList<HotkeyDecision>(2, HotkeyDecision::copyToSlot(3)));
        tap.held = {{key3, Modifiers(6)}};
        QCOMPARE(controller.unavailableChords().size(), 1);
    }
};

QTEST_GUILESS_MAIN(ChordRecognizerTest)
#include "tst_chordrecognizer.moc"
