#include "AppFixture.h"
#include "FullDisk.h"
#include "LogCapture.h"
#include "app/AutomationBridge.h"
#include "core/AppPaths.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

namespace {
using V = AutomationBridge::Verdict;

V verdict(AutomationBridge& bridge, const char* url) {
    return bridge.handleWithReason(url).verdict;
}

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
        QCOMPARE(verdict(bridge, "stashwick://capture-to-slot/3"), V::Done);
        QJsonObject s = readState(f.stateFile);
        QCOMPARE(s["slots"].toArray().size(), 10);
        QCOMPARE(s["slots"].toArray()[3].toObject()["preview"].toString(),
                 QStringLiteral("hello world"));
        QCOMPARE(s["slots"].toArray()[3].toObject()["kind"].toString(), QStringLiteral("text"));
        QCOMPARE(s["totalCopies"].toInt(), 1);
        QCOMPARE(s["contentStatCount"].toInt(), 1);

        QCOMPARE(verdict(bridge, "stashwick://capture-to-slot"),
                 V::NothingDone); // no number: nothing, still a dump
        QCOMPARE(verdict(bridge, "stashwick://capture-to-slot/99999999999999"), V::NothingDone);
        QCOMPARE(readState(f.stateFile)["totalCopies"].toInt(), 1);

        QCOMPARE(verdict(bridge, "stashwick://transform-slot/uppercased/3"), V::Done);
        QCOMPARE(f.state.clipboard().read()->text, std::optional<QString>("HELLO WORLD"));
        QCOMPARE(verdict(bridge, "stashwick://transform-slot/3/shout"), V::Done);
        QCOMPARE(f.state.clipboard().read()->text, std::optional<QString>("hello world"));
        QCOMPARE(verdict(bridge, "stashwick://load-slot/3"), V::Done);
        QCOMPARE(readState(f.stateFile)["totalPastes"].toInt(), 3);

        QCOMPARE(verdict(bridge, "stashwick://pin-slot/3"), V::Done);
        QCOMPARE(verdict(bridge, "stashwick://move-slot/3/7"), V::Done);
        s = readState(f.stateFile);
        QCOMPARE(s["slots"].toArray()[7].toObject()["pinned"].toBool(), true);
        QCOMPARE(s["slots"].toArray()[3].toObject()["kind"].toString(), QStringLiteral("empty"));

        f.copyText("second");
        QCOMPARE(verdict(bridge, "stashwick://capture-to-slot/1"), V::Done);
        QCOMPARE(verdict(bridge, "stashwick://clear-unpinned"), V::Done);
        QVERIFY(!f.state.slots().item(1));
        QVERIFY(f.state.slots().item(7));
        QCOMPARE(verdict(bridge, "stashwick://clear-slot/7"), V::Done);
        QVERIFY(!f.state.slots().item(7));

        int pasted = -1;
        bridge.onPaste = [&](int n) { pasted = n; };
        QCOMPARE(verdict(bridge, "stashwick://paste-slot/5"), V::NothingDone);
        QCOMPARE(pasted, 5);
        // The copy chord from a compositor's binding: run for a slot in range only.
        int copied = -1;
        bridge.onCopy = [&](int n) { copied = n; };
        QCOMPARE(verdict(bridge, "stashwick://copy-to-slot/10"), V::NothingDone);
        QCOMPARE(verdict(bridge, "stashwick://copy-to-slot"), V::NothingDone);
        QCOMPARE(copied, -1);
        QCOMPARE(verdict(bridge, "stashwick://copy-to-slot/0"), V::Done);
        QCOMPARE(copied, 0);
    }

    void historyStatsSnippetsAndTabs() {
        AppFixture f;
        AutomationBridge bridge(f.state, f.defaults, f.stateFile);
        for (const char* t : {"one", "two", "two", "three"}) {
            f.clock.advance(1);
            f.copyText(t);
            bridge.handle("stashwick://capture-to-slot/0");
        }
        QCOMPARE(verdict(bridge, "stashwick://history-to-slot/1/5"), V::Done);
        QCOMPARE(f.state.slots().item(5)->text, std::optional<QString>("three"));
        QCOMPARE(verdict(bridge, "stashwick://history-to-slot/3/6"), V::Done);
        QCOMPARE(f.state.slots().item(6)->text, std::optional<QString>("one"));
        QCOMPARE(verdict(bridge, "stashwick://history-to-slot/4/6"),
                 V::NothingDone); // only three entries
        QCOMPARE(verdict(bridge, "stashwick://history-to-slot/1/10"), V::NothingDone);
        QCOMPARE(verdict(bridge, "stashwick://history-to-slot/1/-1"), V::NothingDone);
        QCOMPARE(f.state.slots().item(6)->text, std::optional<QString>("one"));

        QCOMPARE(verdict(bridge, "stashwick://load-stat/1/8"), V::Done); // "two" was copied twice
        QCOMPARE(f.state.slots().item(8)->text, std::optional<QString>("two"));
        QCOMPARE(verdict(bridge, "stashwick://load-stat/9/8"), V::NothingDone);
        QCOMPARE(verdict(bridge, "stashwick://load-stat/1/12"), V::NothingDone);
        QCOMPARE(f.state.slots().item(8)->text, std::optional<QString>("two"));
        QJsonObject s = readState(f.stateFile);
        QCOMPARE(s["topContent"].toArray()[0].toObject()["rank"].toInt(), 1);
        QCOMPARE(s["topContent"].toArray()[0].toObject()["copyCount"].toInt(), 2);
        QCOMPARE(s["history"].toArray().size(), 3);
        QCOMPARE(s["history"].toArray()[0].toObject()["preview"].toString(),
                 QStringLiteral("three"));
        QCOMPARE(s["historyCount"].toInt(), 3);

        QCOMPARE(verdict(bridge, "stashwick://add-snippet/Greeting"), V::Done);
        f.clock.advance(1);
        QCOMPARE(
            verdict(bridge, "stashwick://add-snippet/Sig/Hi%20{slot5}%20and%20{clipboard}/ignored"),
            V::Done);
        s = readState(f.stateFile);
        QCOMPARE(s["snippetCount"].toInt(), 2);
        QCOMPARE(s["snippets"].toArray()[0].toObject()["title"].toString(), QStringLiteral("Sig"));
        QCOMPARE(s["snippets"].toArray()[1].toObject()["index"].toInt(), 2);
        f.copyText("clip");
        QCOMPARE(verdict(bridge, "stashwick://copy-snippet/1"), V::Done);
        QCOMPARE(f.state.clipboard().read()->text, std::optional<QString>("Hi three and clip"));
        QCOMPARE(verdict(bridge, "stashwick://copy-snippet/2"), V::Done);
        QCOMPARE(f.state.clipboard().read()->text, std::optional<QString>("Greeting"));
        QCOMPARE(verdict(bridge, "stashwick://delete-snippet/9"), V::NothingDone);
        QCOMPARE(f.state.snippets().count(), 2);
        QCOMPARE(verdict(bridge, "stashwick://delete-snippet/1"), V::Done);
        QCOMPARE(f.state.snippets().all().first().title, QStringLiteral("Greeting"));

        int summoned = 0;
        bridge.onSummon = [&] { ++summoned; };
        QCOMPARE(verdict(bridge, "stashwick://show-tab/stats"), V::Done);
        QCOMPARE(f.state.mainTab(), MainTab::Stats);
        QCOMPARE(verdict(bridge, "stashwick://show-tab/nope"), V::NothingDone);
        QCOMPARE(f.state.mainTab(), MainTab::Stats);
        QCOMPARE(verdict(bridge, "stashwick://next-tab"), V::Done);
        QCOMPARE(verdict(bridge, "stashwick://next-tab"), V::Done);
        QCOMPARE(readState(f.stateFile)["mainTab"].toString(), QStringLiteral("slots"));
        QCOMPARE(verdict(bridge, "stashwick://prev-tab"), V::Done);
        QCOMPARE(f.state.mainTab(), MainTab::Settings);

        QCOMPARE(verdict(bridge, "stashwick://summon"), V::Done);
        QCOMPARE(summoned, 5); // every tab command shows the window too

        HotkeyConfig reloaded;
        bool called = false;
        f.state.reloadHotkeys = [&](const HotkeyConfig& c) {
            reloaded = c;
            called = true;
        };
        HotkeyConfig custom;
        custom.copyModifiers = Modifiers(Modifiers::control | Modifiers::shift);
        custom.save(f.defaults);
        QCOMPARE(verdict(bridge, "stashwick://reload-hotkeys"), V::Done);
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
                                        "mainTab", "platform", "slots", "snippetCount", "snippets",
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
        QCOMPARE(s["platform"].toObject(), QJsonObject({{"session", "x11"},
                                                        {"clipboard", "x11"},
                                                        {"keystrokes", "none"},
                                                        {"chords", "none"}}));

        bridge.unavailableChords = [] { return QList<KeyChord>{{20, Modifiers(12)}}; };
        bridge.dumpState();
        const QJsonArray conflicts =
            readState(f.stateFile)["hotkeys"].toObject()["conflicts"].toArray();
        QCOMPARE(conflicts.size(), 1);
        QCOMPARE(conflicts[0].toObject(),
                 QJsonObject({{"chord", "Control + Alt + 3"},
                              {"collidesWith", "Already taken by another program"}}));
    }

    void dumpListsAreShapedAndCappedAsTheProgramKeepsThem() {
        AppFixture f;
        AutomationBridge bridge(f.state, f.defaults, f.stateFile);
        // One more capture than the program keeps, and a dozen distinct contents.
        for (int i = 0; i <= AppState::historyLimit; ++i) {
            f.clock.advance(1);
            f.copyText(QStringLiteral("entry %1").arg(i % 12));
            bridge.handle("stashwick://capture-to-slot/0");
        }
        ClipboardItem image;
        image.kind = ClipboardKind::Image;
        image.imagePNG = Blob(QByteArray(600 * 1024, 'i')); // too large to load again
        for (int i = 0; i < 20; ++i) {
            f.state.stats().recordCopy(image, 1);
        }
        f.state.snippets().add("Sig", "body");
        QCOMPARE(verdict(bridge, "stashwick://history-to-slot/200/1"), V::Done);
        QCOMPARE(f.state.slots().item(1)->text, std::optional<QString>("entry 1"));
        QCOMPARE(verdict(bridge, "stashwick://history-to-slot/201/1"), V::NothingDone);

        const QJsonObject s = readState(f.stateFile);
        QCOMPARE(s["historyCount"].toInt(), 200);
        const QJsonArray history = s["history"].toArray();
        QCOMPARE(history.size(), 20);
        QCOMPARE(history[0].toObject(),
                 QJsonObject({{"kind", "text"}, {"preview", "entry 8"}, {"rank", 1}}));
        const QJsonArray top = s["topContent"].toArray();
        QCOMPARE(top.size(), 10);
        const QJsonObject first = top[0].toObject();
        QCOMPARE(first.keys(),
                 QStringList({"copyCount", "hash", "kind", "loadable", "preview", "rank"}));
        QCOMPARE(first["kind"].toString(), QStringLiteral("image"));
        QCOMPARE(first["copyCount"].toInt(), 20);
        QCOMPARE(first["hash"].toString().size(), 64);
        QCOMPARE(first["loadable"].toBool(), false);
        const QJsonObject second = top[1].toObject();
        QCOMPARE(second["copyCount"].toInt(), 17); // "entry 0".."entry 8" were copied 17 times
        QCOMPARE(second["loadable"].toBool(), true);
        QCOMPARE(second["rank"].toInt(), 2);
        QCOMPARE(top[9].toObject()["copyCount"].toInt(), 17);
        QCOMPARE(s["snippets"].toArray()[0].toObject(),
                 QJsonObject({{"index", 1}, {"title", "Sig"}}));
    }

    void longPreviewsAreCutInTheDump() {
        AppFixture f;
        AutomationBridge bridge(f.state, f.defaults, f.stateFile);
        QString line;
        for (int i = 0; line.size() < 30000; ++i) {
            line += QStringLiteral("word%1 ").arg(i);
        }
        const QString text = QStringLiteral(" \n\t") + line + QStringLiteral("\nend \n");
        const QString cut = ClipboardItem::makeText(text).preview().left(10000) + u'\u2026';
        f.copyText(text);
        QCOMPARE(verdict(bridge, "stashwick://capture-to-slot/3"), V::Done);
        f.clock.advance(1);
        const QString exact = QStringLiteral("e").repeated(10000);
        f.copyText(QStringLiteral("\n") + exact + QStringLiteral("  "));
        QCOMPARE(verdict(bridge, "stashwick://capture-to-slot/4"), V::Done);

        const QJsonObject s = readState(f.stateFile);
        QCOMPARE(s["slots"].toArray()[3].toObject()["preview"].toString(), cut);
        QCOMPARE(s["history"].toArray()[1].toObject()["preview"].toString(), cut);
        QCOMPARE(s["topContent"].toArray()[1].toObject()["preview"].toString(), cut);
        QCOMPARE(s["slots"].toArray()[4].toObject()["preview"].toString(), exact);
        QCOMPARE(s["history"].toArray()[0].toObject()["preview"].toString(), exact);
        QCOMPARE(s["topContent"].toArray()[0].toObject()["preview"].toString(), exact);
    }

    void aFullDiskKeepsThePreviousStateFile() {
        FullDisk disk;
        if (!disk.mounted()) {
            QSKIP(qPrintable(disk.why()));
        }
        AppFixture f;
        const QString stateFile = disk.path("state.json");
        AutomationBridge bridge(f.state, f.defaults, stateFile);
        bridge.dumpState();
        const QByteArray before = FullDisk::contents(stateFile);
        QVERIFY(before.contains("\"mainTab\": \"slots\""));
        QVERIFY(disk.fill());
        QCOMPARE(verdict(bridge, "stashwick://show-tab/stats"), V::Done);
        QCOMPARE(FullDisk::contents(stateFile), before);
        QCOMPARE(QDir(disk.path(".")).entryList(QDir::Files), QStringList({"state.json"}));
    }

    void actionsWithNothingToActOnSayWhyAndStillDump() {
        AppFixture f;
        AutomationBridge bridge(f.state, f.defaults, f.stateFile);
        for (const char* url :
             {"stashwick://capture-to-slot/1", "stashwick://capture-to-slot/42",
              "stashwick://load-slot/5", "stashwick://copy-snippet/9", "stashwick://move-slot/3",
              "stashwick://move-slot/3/4", "stashwick://clear-slot/2", "stashwick://pin-slot/2",
              "stashwick://show-tab/nope", "stashwick://clear-unpinned"}) {
            QFile::remove(f.stateFile);
            const auto r = bridge.handleWithReason(url);
            QVERIFY2(r.verdict == V::NothingDone && !r.reason.isEmpty(), url);
            QVERIFY2(QFile::exists(f.stateFile), url);
        }
        QCOMPARE(bridge.handleWithReason("stashwick://capture-to-slot/42").reason,
                 QStringLiteral("slot 42 is out of range (0-9)"));
    }

    void repliesNameWhatHappenedWhenSavesFail() {
        AppFixture f;
        AutomationBridge bridge(f.state, f.defaults, f.stateFile);
        f.copyText("first");
        QCOMPARE(bridge.handleWithReason("stashwick://capture-to-slot/2").verdict, V::Done);
        f.state.container().setSaveFailure(QStringLiteral("disk is full"));

        // Each change waits: the reply says so, and state.json shows what reads see.
        f.copyText("second");
        const auto capture = bridge.handleWithReason("stashwick://capture-to-slot/2");
        QCOMPARE(capture.verdict, V::NothingDone);
        QCOMPARE(capture.reason, QStringLiteral("not saved yet: disk is full"));
        QFile file(f.stateFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonObject state = QJsonDocument::fromJson(file.readAll()).object();
        QCOMPARE(state["slots"].toArray()[2].toObject()["preview"].toString(), "second");
        for (const char* url : {"stashwick://move-slot/2/7", "stashwick://add-snippet/Sig",
                                "stashwick://pin-slot/7"}) {
            const auto r = bridge.handleWithReason(url);
            QCOMPARE(r.verdict, V::NothingDone);
            QVERIFY2(r.reason == QStringLiteral("not saved yet: disk is full"), url);
        }
        QCOMPARE(f.state.snippets().count(), 1);
        QVERIFY(f.state.slots().isPinned(7));

        // Space is back: the next change saves everything that waited.
        f.state.container().setSaveFailure(std::nullopt);
        QCOMPARE(bridge.handleWithReason("stashwick://clear-slot/7").verdict, V::Done);
        QVERIFY(!f.state.container().hasPendingChanges());
        QCOMPARE(f.state.snippets().count(), 1);

        // A statistic whose stored content is damaged is named as such, not as too large.
        f.copyText("third");
        QCOMPARE(bridge.handleWithReason("stashwick://capture-to-slot/1").verdict, V::Done);
        QVERIFY(f.state.container().db().exec(
            "UPDATE content_stat SET item_data = x'62706c6973743030ff', copy_count = 99"));
        const auto damaged = bridge.handleWithReason("stashwick://load-stat/1/4");
        QCOMPARE(damaged.verdict, V::NothingDone);
        QVERIFY2(damaged.reason.contains("cannot be read"), qPrintable(damaged.reason));
    }

    void aStoreInMemoryIsNamedInEveryReply() {
        AppFixture f;
        TestEnv env;
        QFile blocker(env.path("data"));
        QVERIFY(blocker.open(QIODevice::WriteOnly)); // the data folder cannot be created
        blocker.close();
        AppState state(StoreContainer::openPrimaryOrFallback(AppPaths::storeFile()), f.pasteboard,
                       f.clock, false);
        AutomationBridge bridge(state, f.defaults, f.stateFile);
        const auto r = bridge.handleWithReason("stashwick://dump");
        QCOMPARE(r.verdict, V::Done);
        QVERIFY2(r.reason.startsWith("not saved: "), qPrintable(r.reason));
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
            QCOMPARE(r.verdict, V::Refused);
            QVERIFY(log.contains("io.stashwick.automation", "unknown action: frobnicate"));
            QCOMPARE(r.reason, QStringLiteral("unknown action: frobnicate"));
        }
        {
            LogCapture log;
            QVERIFY(!bridge.handle("STASHWICK://capture-to-slot/1"));
            QVERIFY(!bridge.handle("stashwick://capture-to-slot/%G1"));
            QCOMPARE(log.count(), 0);
        }
        QVERIFY(!bridge.handle("stashwick://%EF%BB%BFdump")); // a byte-order mark is no letter
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
        QVERIFY(!f.state.slots().item(1));
    }
};

QTEST_GUILESS_MAIN(AutomationBridgeTest)
#include "tst_automationbridge.moc"
