#include "AppFixture.h"
#include "LogCapture.h"
#include "app/AutomationBridge.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

namespace {
QJsonObject readState(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QJsonDocument::fromJson(f.readAll()).object();
}
} // namespace

class AutomationBridgeTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parsesUrls() {
        auto u = AutomationUrl::parse("stashwick://move-slot/2/7");
        QVERIFY(u);
        QCOMPARE(u->action(), QStringLiteral("move-slot"));
        QCOMPARE(u->intArgs(), QList<qint64>({2, 7}));

        u = AutomationUrl::parse("stashwick://add-snippet/My%20Title//Line%0Atwo/?q=1#frag");
        QCOMPARE(u->stringArgs(), QStringList({"My Title", "Line\ntwo"}));
        QVERIFY(u->intArgs().isEmpty());

        u = AutomationUrl::parse("stashwick://transform-slot/uppercased/+4/-0");
        QCOMPARE(u->intArgs(), QList<qint64>({4, 0}));
        QCOMPARE(u->transformArg(), PasteTransform::Uppercased);
        QCOMPARE(AutomationUrl::parse("stashwick://t/4/shout")->transformArg(),
                 PasteTransform::None);
        QCOMPARE(AutomationUrl::parse("stashwick://t/4")->transformArg(), PasteTransform::None);

        // Integers beyond 64 bits are not integers.
        u = AutomationUrl::parse(
            "stashwick://x/9223372036854775807/9223372036854775808/-9223372036854775808/"
            "-9223372036854775809/99999999999999999999999/1e3/0x10/٣");
        QCOMPARE(u->intArgs(), QList<qint64>({std::numeric_limits<qint64>::max(),
                                              std::numeric_limits<qint64>::min()}));

        QCOMPARE(AutomationUrl::parse("stashwick:")->action(), QString());
        QCOMPARE(AutomationUrl::parse("stashwick:dump")->action(), QString());
        QCOMPARE(AutomationUrl::parse("stashwick://%64ump")->action(), QStringLiteral("dump"));
        QCOMPARE(AutomationUrl::parse("stashwick://Dump")->action(), QStringLiteral("Dump"));

        for (const QByteArray& bad : QList<QByteArray>{
                 "STASHWICK://dump", "http://dump", "stashwick//dump", "", "stashwick://dump/%",
                 "stashwick://dump/%4", "stashwick://dump/%zz", "stashwick://du%00mp",
                 "stashwick://dump/%ff%fe", "stashwick://dump/a b", "stashwick://du\nmp",
                 "stashwick://un%0Aknown", "stashwick://dump/%C3%28",
                 "stashwick://dump/" + QByteArray(AutomationUrl::maxLength, 'a')}) {
            QVERIFY2(!AutomationUrl::parse(bad), bad.left(60).constData());
        }
    }

    void slotActions() {
        AppFixture f;
        AutomationBridge bridge(f.state, f.defaults, f.stateFile);
        f.copyText("hello world");
        QVERIFY(bridge.handle("stashwick://capture-to-slot/3"));
        QJsonObject s = readState(f.stateFile);
        QCOMPARE(s["slots"].toArray().size(), 10);
        QCOMPARE(s["slots"].toArray()[3].toObject()["preview"].toString(),
                 QStringLiteral("hello world"));
        QCOMPARE(s["slots"].toArray()[3].toObject()["kind"].toString(), QStringLiteral("text"));
        QCOMPARE(s["totalCopies"].toInt(), 1);
        QCOMPARE(s["contentStatCount"].toInt(), 1);

        QVERIFY(bridge.handle("stashwick://capture-to-slot")); // no number: nothing, still a dump
        QVERIFY(bridge.handle("stashwick://capture-to-slot/99999999999999"));
        QCOMPARE(readState(f.stateFile)["totalCopies"].toInt(), 1);

        QVERIFY(bridge.handle("stashwick://transform-slot/uppercased/3"));
        QCOMPARE(f.state.clipboard().read()->text, std::optional<QString>("HELLO WORLD"));
        QVERIFY(bridge.handle("stashwick://transform-slot/3/shout"));
        QCOMPARE(f.state.clipboard().read()->text, std::optional<QString>("hello world"));
        QVERIFY(bridge.handle("stashwick://load-slot/3"));
        QCOMPARE(readState(f.stateFile)["totalPastes"].toInt(), 3);

        QVERIFY(bridge.handle("stashwick://pin-slot/3"));
        QVERIFY(bridge.handle("stashwick://move-slot/3/7"));
        s = readState(f.stateFile);
        QCOMPARE(s["slots"].toArray()[7].toObject()["pinned"].toBool(), true);
        QCOMPARE(s["slots"].toArray()[3].toObject()["kind"].toString(), QStringLiteral("empty"));

        f.copyText("second");
        QVERIFY(bridge.handle("stashwick://capture-to-slot/1"));
        QVERIFY(bridge.handle("stashwick://clear-unpinned"));
        QVERIFY(!f.state.slots().item(1));
        QVERIFY(f.state.slots().item(7));
        QVERIFY(bridge.handle("stashwick://clear-slot/7"));
        QVERIFY(!f.state.slots().item(7));

        int pasted = -1;
        bridge.onPaste = [&](int n) { pasted = n; };
        QVERIFY(bridge.handle("stashwick://paste-slot/5"));
        QCOMPARE(pasted, 5);
    }

    void historyStatsSnippetsAndTabs() {
        AppFixture f;
        AutomationBridge bridge(f.state, f.defaults, f.stateFile);
        for (const char* t : {"one", "two", "two", "three"}) {
            f.clock.advance(1);
            f.copyText(t);
            bridge.handle("stashwick://capture-to-slot/0");
        }
        QVERIFY(bridge.handle("stashwick://history-to-slot/1/5"));
        QCOMPARE(f.state.slots().item(5)->text, std::optional<QString>("three"));
        QVERIFY(bridge.handle("stashwick://history-to-slot/3/6"));
        QCOMPARE(f.state.slots().item(6)->text, std::optional<QString>("one"));
        QVERIFY(bridge.handle("stashwick://history-to-slot/4/6")); // only three entries
        QVERIFY(bridge.handle("stashwick://history-to-slot/1/10"));
        QVERIFY(bridge.handle("stashwick://history-to-slot/1/-1"));
        QCOMPARE(f.state.slots().item(6)->text, std::optional<QString>("one"));

        QVERIFY(bridge.handle("stashwick://load-stat/1/8")); // "two" was copied twice
        QCOMPARE(f.state.slots().item(8)->text, std::optional<QString>("two"));
        QVERIFY(bridge.handle("stashwick://load-stat/9/8"));
        QVERIFY(bridge.handle("stashwick://load-stat/1/12"));
        QCOMPARE(f.state.slots().item(8)->text, std::optional<QString>("two"));
        QJsonObject s = readState(f.stateFile);
        QCOMPARE(s["topContent"].toArray()[0].toObject()["rank"].toInt(), 1);
        QCOMPARE(s["topContent"].toArray()[0].toObject()["copyCount"].toInt(), 2);
        QCOMPARE(s["history"].toArray().size(), 3);
        QCOMPARE(s["history"].toArray()[0].toObject()["preview"].toString(),
                 QStringLiteral("three"));
        QCOMPARE(s["historyCount"].toInt(), 3);

        QVERIFY(bridge.handle("stashwick://add-snippet/Greeting"));
        f.clock.advance(1);
        QVERIFY(
            bridge.handle("stashwick://add-snippet/Sig/Hi%20{slot5}%20and%20{clipboard}/ignored"));
        s = readState(f.stateFile);
        QCOMPARE(s["snippetCount"].toInt(), 2);
        QCOMPARE(s["snippets"].toArray()[0].toObject()["title"].toString(), QStringLiteral("Sig"));
        QCOMPARE(s["snippets"].toArray()[1].toObject()["index"].toInt(), 2);
        f.copyText("clip");
        QVERIFY(bridge.handle("stashwick://copy-snippet/1"));
        QCOMPARE(f.state.clipboard().read()->text, std::optional<QString>("Hi three and clip"));
        QVERIFY(bridge.handle("stashwick://copy-snippet/2"));
        QCOMPARE(f.state.clipboard().read()->text, std::optional<QString>("Greeting"));
        QVERIFY(bridge.handle("stashwick://delete-snippet/9"));
        QCOMPARE(f.state.snippets().count(), 2);
        QVERIFY(bridge.handle("stashwick://delete-snippet/1"));
        QCOMPARE(f.state.snippets().all().first().title, QStringLiteral("Greeting"));

        QVERIFY(bridge.handle("stashwick://show-tab/stats"));
        QCOMPARE(f.state.mainTab(), MainTab::Stats);
        QVERIFY(bridge.handle("stashwick://show-tab/nope"));
        QCOMPARE(f.state.mainTab(), MainTab::Stats);
        QVERIFY(bridge.handle("stashwick://next-tab"));
        QVERIFY(bridge.handle("stashwick://next-tab"));
        QCOMPARE(readState(f.stateFile)["mainTab"].toString(), QStringLiteral("slots"));
        QVERIFY(bridge.handle("stashwick://prev-tab"));
        QCOMPARE(f.state.mainTab(), MainTab::Settings);

        int summoned = 0;
        bridge.onSummon = [&] { ++summoned; };
        QVERIFY(bridge.handle("stashwick://summon"));
        QCOMPARE(summoned, 1);

        HotkeyConfig reloaded;
        bool called = false;
        f.state.reloadHotkeys = [&](const HotkeyConfig& c) {
            reloaded = c;
            called = true;
        };
        HotkeyConfig custom;
        custom.copyModifiers = Modifiers(Modifiers::control | Modifiers::shift);
        custom.save(f.defaults);
        QVERIFY(bridge.handle("stashwick://reload-hotkeys"));
        QVERIFY(called);
        QCOMPARE(reloaded, custom);
    }

    void dumpHasEveryKeyInOrder() {
        AppFixture f;
        AutomationBridge bridge(f.state, f.defaults, f.stateFile);
        bridge.dumpState();
        QFile file(f.stateFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        const QJsonObject s = QJsonDocument::fromJson(text).object();
        QCOMPARE(s.keys(), QStringList({"accessibilityTrusted", "contentStatCount",
                                        "eventTapActive", "history", "historyCount", "hotkeys",
                                        "mainTab", "slots", "snippetCount", "snippets",
                                        "topContent", "totalCopies", "totalPastes"}));
        // Pretty-printed, keys in file order.
        QVERIFY(text.indexOf("\"accessibilityTrusted\"") < text.indexOf("\"totalPastes\""));
        QVERIFY(text.contains("\n    \""));
        const QJsonObject hotkeys = s["hotkeys"].toObject();
        QCOMPARE(hotkeys["copy"].toString(), QStringLiteral("Control + Alt + N"));
        QCOMPARE(hotkeys["paste"].toString(), QStringLiteral("Control + Super + N"));
        QCOMPARE(hotkeys["summon"].toString(), QStringLiteral("Control + Alt + Super + V"));
        QCOMPARE(hotkeys["conflicts"].toArray().size(), 0);
        QCOMPARE(s["slots"].toArray()[0].toObject().keys(),
                 QStringList({"index", "kind", "pinned", "preview"}));
        QCOMPARE(s["mainTab"].toString(), QStringLiteral("slots"));
        QCOMPARE(s["accessibilityTrusted"].toBool(), false);

        bridge.unavailableChords = [] { return QList<KeyChord>{{20, Modifiers(12)}}; };
        bridge.dumpState();
        QCOMPARE(readState(f.stateFile)["hotkeys"].toObject()["conflicts"].toArray().size(), 1);
    }

    void refusalsLeaveTheStateFileAlone() {
        AppFixture f;
        AutomationBridge bridge(f.state, f.defaults, f.stateFile);
        bridge.dumpState();
        QFile file(f.stateFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();
        f.copyText("would be captured");
        {
            LogCapture log;
            const auto r = bridge.handleWithReason("stashwick://frobnicate/1");
            QVERIFY(!r.handled);
            QVERIFY(log.contains("io.stashwick.automation", "unknown action: frobnicate"));
            QCOMPARE(r.reason, QStringLiteral("unknown action: frobnicate"));
        }
        {
            LogCapture log;
            QVERIFY(!bridge.handle("STASHWICK://capture-to-slot/1"));
            QVERIFY(!bridge.handle("stashwick://capture-to-slot/%G1"));
            QCOMPARE(log.count(), 0);
        }
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
        QVERIFY(!f.state.slots().item(1));
    }
};

QTEST_GUILESS_MAIN(AutomationBridgeTest)
#include "tst_automationbridge.moc"
