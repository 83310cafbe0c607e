#include "TestEnv.h"
#include "core/UserDefaults.h"
#include "hotkeys/HotkeyConfig.h"
#include "hotkeys/KeyNames.h"

#include <QTest>

namespace {
const auto& mac = KeyboardConventions::macOS();

QStringList render(const QList<HotkeyConflict>& conflicts) {
    QStringList out;
    for (const auto& c : conflicts) {
        out << c.chord + QStringLiteral(" | ") + c.collidesWith;
    }
    return out;
}

HotkeyConfig withModifiers(qint64 copy, qint64 paste) {
    HotkeyConfig c;
    c.copyModifiers = Modifiers(copy);
    c.pasteModifiers = Modifiers(paste);
    return c;
}
} // namespace

class HotkeyConfigTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void namesAndDisplayTexts() {
        QCOMPARE(Modifiers(15).display(), QStringLiteral("Control + Alt + Shift + Super"));
        QCOMPARE(Modifiers(15).display(mac), QStringLiteral("Control + Option + Shift + Command"));
        QCOMPARE(Modifiers(0).display(), QString());
        QCOMPARE(Modifiers(0x100 | 4).display(), QStringLiteral("Control")); // unknown bits ignored
        QCOMPARE(Modifiers(0).chord("N"), QStringLiteral("N"));

        const HotkeyConfig d = HotkeyConfig::defaults();
        QCOMPARE(d.summon.display(mac), QStringLiteral("Control + Option + Command + V"));

        // Keypad 1 (83) is not a digit key.
        QStringList named;
        for (const quint16 code : {18, 29, 36, 45, 46, 123, 10, 83}) {
            named << KeyNames::name(code);
        }
        QCOMPARE(named, QStringList({"1", "0", "Return", "N", "M", "←", "key10", "key83"}));

        QVERIFY(Modifiers::of({Modifiers::control, Modifiers::option}) == Modifiers(12));
        QVERIFY(Modifiers(12).contains(Modifiers::option));
        QCOMPARE(Modifiers(12).removing(Modifiers::option), Modifiers(4));
    }

    void loadFallsBackToTheWholeDefaultsAndSaveRoundTrips() {
        TestEnv env;
        UserDefaults defaults(env.path("settings.ini"));
        const HotkeyConfig d = HotkeyConfig::defaults();
        QCOMPARE(HotkeyConfig::load(defaults), d);
        QCOMPARE(d.copyModifiers.rawValue, 12);
        QCOMPARE(d.pasteModifiers.rawValue, 5);
        QCOMPARE(d.summon, (KeyChord{9, Modifiers(13)}));

        const QList<QByteArray> broken{
            "not json",
            "[]",
            R"({"copyModifiers":2,"pasteModifiers":3})",
            R"({"copyModifiers":2,"pasteModifiers":3,"summon":{"keyCode":70000,"modifiers":1}})",
            R"({"copyModifiers":2,"pasteModifiers":3,"summon":{"keyCode":65536,"modifiers":1}})",
            R"({"copyModifiers":2,"pasteModifiers":3,"summon":{"keyCode":-1,"modifiers":1}})",
            R"({"copyModifiers":"2","pasteModifiers":3,"summon":{"keyCode":9,"modifiers":1}})",
            R"({"copyModifiers":2.5,"pasteModifiers":3,"summon":{"keyCode":9,"modifiers":1}})",
            R"({"copyModifiers":2,"pasteModifiers":3,"summon":{"keyCode":9}})",
            R"({"copyModifiers":2,"pasteModifiers":3,"summon":[9,1]})",
            QByteArray("\xff\xfe{", 3),
        };
        for (const QByteArray& json : broken) {
            defaults.setData(HotkeyConfig::defaultsKey, json);
            QCOMPARE(HotkeyConfig::load(defaults), d);
        }
        // The unusable value stays stored until the next save replaces it.
        QCOMPARE(defaults.data(HotkeyConfig::defaultsKey),
                 std::optional<QByteArray>(broken.last()));

        // The highest key code is a key code.
        defaults.setData(
            HotkeyConfig::defaultsKey,
            R"({"copyModifiers":2,"pasteModifiers":3,"summon":{"keyCode":65535,"modifiers":1}})");
        QCOMPARE(HotkeyConfig::load(defaults).summon.keyCode, 65535);

        // Extra keys and any key order are fine.
        defaults.setData(
            HotkeyConfig::defaultsKey,
            R"({"summon":{"modifiers":1,"keyCode":49},"extra":true,"pasteModifiers":3,"copyModifiers":2})");
        const HotkeyConfig read = HotkeyConfig::load(defaults);
        QCOMPARE(read.copyModifiers.rawValue, 2);
        QCOMPARE(read.summon, (KeyChord{49, Modifiers(1)}));

        // Saved in one line, and read back whole, bits beyond the four modifiers included.
        d.save(defaults);
        QCOMPARE(
            *defaults.data(HotkeyConfig::defaultsKey),
            QByteArray(
                R"({"copyModifiers":12,"pasteModifiers":5,"summon":{"keyCode":9,"modifiers":13}})"));
        HotkeyConfig odd;
        odd.copyModifiers = Modifiers(0x7FFF0000000000LL | 4);
        odd.pasteModifiers = Modifiers(-3);
        odd.summon = KeyChord{65535, Modifiers(0)};
        odd.save(defaults);
        QCOMPARE(HotkeyConfig::load(UserDefaults(env.path("settings.ini"))), odd);
    }

    void conflictsOnThisDesktopAndOnTheMac() {
        QVERIFY(HotkeyConfig::defaults().conflicts().isEmpty());
        // Super + digit opens dash applications on GNOME and KDE Plasma.
        const auto superDigits = withModifiers(Modifiers::command, 5).conflicts();
        QCOMPARE(superDigits.size(), 9);
        QCOMPARE(superDigits.first().chord, QStringLiteral("Super + 1"));
        QVERIFY(superDigits.first().collidesWith.contains("GNOME"));
        // The copy chord's conflicts come before the paste chord's.
        const auto both =
            withModifiers(Modifiers::command | Modifiers::shift, Modifiers::command).conflicts();
        QCOMPARE(both.size(), 18);
        QCOMPARE(both[0].chord, QStringLiteral("Shift + Super + 1"));
        QCOMPARE(both[9].chord, QStringLiteral("Super + 1"));

        HotkeyConfig summonLock;
        summonLock.summon = KeyChord{37, Modifiers(Modifiers::control | Modifiers::option)};
        QCOMPARE(render(summonLock.conflicts()),
                 QStringList({"Control + Alt + L | Lock screen (Ubuntu, Xfce, KDE Plasma)"}));

        // Chords the running event tap could not take come last.
        const QList<KeyChord> held{{20, Modifiers(12)}, {20, Modifiers(12)}};
        QCOMPARE(render(HotkeyConfig::defaults().conflicts(held)),
                 QStringList({"Control + Alt + 3 | Already taken by another program"}));

        // The same with the macOS table.
        QVERIFY(HotkeyConfig::defaults().conflicts({}, mac).isEmpty());
        const auto control = withModifiers(Modifiers::control, 5).conflicts({}, mac);
        QCOMPARE(control.size(), 9);
        QCOMPARE(control.first().chord, QStringLiteral("Control + 1"));
        QCOMPARE(control.last().chord, QStringLiteral("Control + 9"));
        QCOMPARE(control.first().collidesWith,
                 QStringLiteral("Mission Control: switch Desktop (if enabled)"));

        QCOMPARE(render(withModifiers(12, 3).conflicts({}, mac)),
                 QStringList({"Shift + Command + 3 | macOS screenshot",
                              "Shift + Command + 4 | macOS screenshot",
                              "Shift + Command + 5 | macOS screenshot",
                              "Shift + Command + 6 | macOS screenshot"}));

        const auto bothMac =
            withModifiers(Modifiers::control, Modifiers::control).conflicts({}, mac);
        QCOMPARE(bothMac.size(), 19);
        QCOMPARE(bothMac.last(),
                 (HotkeyConflict{"Control + N", "Copy and paste use the same chord"}));

        const auto none = withModifiers(0, 0).conflicts({}, mac);
        QCOMPARE(none.size(), 1);
        QCOMPARE(none.first().chord, QStringLiteral("N"));

        HotkeyConfig spotlight;
        spotlight.summon = KeyChord{49, Modifiers(Modifiers::command)};
        QCOMPARE(render(spotlight.conflicts({}, mac)),
                 QStringList({"Command + Space | Spotlight"}));

        // First match wins, exact modifier equality.
        QCOMPARE(HotkeyConfig::reservedSystemShortcut({49, Modifiers(12)}, mac),
                 std::optional<QString>("Select next input source"));
        QVERIFY(!HotkeyConfig::reservedSystemShortcut({49, Modifiers(13)}, mac));
        QVERIFY(!HotkeyConfig::reservedSystemShortcut({29, Modifiers(4)}, mac)); // digit 0
    }
};

QTEST_GUILESS_MAIN(HotkeyConfigTest)
#include "tst_hotkeyconfig.moc"
