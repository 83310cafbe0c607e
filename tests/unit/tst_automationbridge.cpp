#include "AppFixture.h"
#include "LogCapture.h"
#include "SmallDisk.h"
#include "TestItems.h"
#include "app/AutomationBridge.h"
#include "app/LinkGate.h"
#include "app/LinkPolicy.h"
#include "core/AppPaths.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

namespace {
using V = AutomationBridge::Verdict;

// Every action of the bridge; the first six only show something.
const QStringList allActions{
    "summon",         "show-tab",        "next-tab",       "prev-tab",       "dump",
    "reload-hotkeys", "capture-to-slot", "copy-to-slot",   "load-slot",      "paste-slot",
    "clear-slot",     "pin-slot",        "clear-unpinned", "transform-slot", "move-slot",
    "load-stat",      "history-to-slot", "add-snippet",    "copy-snippet",   "delete-snippet"};
const QStringList showingActions{"summon",   "show-tab", "next-tab",
                                 "prev-tab", "dump",     "reload-hotkeys"};

// Stands in for the link dialog: keeps the question shown and answers when told.
class FakePrompt final : public LinkPrompt {
public:
    QList<LinkQuestion> asked;
    std::function<void(Answer)> pending;
    int withdrawn = 0;
    int othersWaiting = -1; // as the question shown says now

    void ask(const LinkQuestion& question, std::function<void(Answer)> answered) override {
        QVERIFY2(!pending, "a second question while one is shown");
        asked.append(question);
        othersWaiting = question.othersWaiting;
        pending = std::move(answered);
    }
    void setOthersWaiting(int count) override { othersWaiting = count; }
    void withdraw() override {
        ++withdrawn;
        pending = nullptr;
    }
    bool showing() const { return static_cast<bool>(pending); }
    void answer(Answer a) {
        auto answered = std::move(pending);
        pending = nullptr;
        answered(a);
    }
};

// The window manager as the gate sees it: which window is active, which it was asked for.
struct FakeFront {
    unsigned long active = 0;
    QList<unsigned long> activated;
    LinkGate::FrontWindow seam() {
        return {[this] { return active; }, [this](unsigned long w) { activated.append(w); }};
    }
};

using TestItems::textOf;

// The bridge over a fresh program state.
struct BridgeFixture : AppFixture {
    using AppFixture::AppFixture;
    AutomationBridge bridge{state, defaults, stateFile};

    V run(const char* url) { return bridge.handleWithReason(url).verdict; }
    // Those of `urls` whose verdict is not `expected`, run in order.
    QStringList notGiving(V expected, std::initializer_list<const char*> urls) {
        QStringList wrong;
        for (const char* url : urls) {
            if (run(url) != expected) {
                wrong << url;
            }
        }
        return wrong;
    }
    QString slotText(int n) { return textOf(state.slots().item(n)); }
    QString clip() { return textOf(state.clipboard().read().item()); }
    // Field `key` of entry `i` of the list `list` in state.json, as text.
    QString dumped(const char* list, int i, const char* key) const {
        return stateJson()[list].toArray()[i].toObject()[key].toVariant().toString();
    }
};

// A gate over a fresh program state with one snippet and a text in slot 2.
struct GateFixture : BridgeFixture {
    FakePrompt prompt;
    FakeFront front;
    LinkGate gate{bridge, prompt, scheduler, front.seam()};
    QList<int> pasted;

    GateFixture() {
        state.snippets().add("Sig", "Best regards");
        copyText("slot two");
        bridge.handle("stashwick://capture-to-slot/2");
        bridge.onPaste = [this](int n) { pasted.append(n); };
    }
    V open(const char* url) { return gate.open(url).verdict; }
};
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
        BridgeFixture f;
        f.copyText("hello world");
        QCOMPARE(f.run("stashwick://capture-to-slot/3"), V::Done);
        const QJsonObject s = f.stateJson();
        QCOMPARE(s["slots"].toArray().size(), 10);
        QCOMPARE(f.dumped("slots", 3, "preview"), "hello world");
        QCOMPARE(f.dumped("slots", 3, "kind"), "text");
        QCOMPARE(s["totalCopies"].toInt(), 1);
        QCOMPARE(s["contentStatCount"].toInt(), 1);
        // No number, or one out of range: nothing done, still a dump.
        QCOMPARE(f.notGiving(V::NothingDone, {"stashwick://capture-to-slot",
                                              "stashwick://capture-to-slot/99999999999999"}),
                 QStringList());
        QCOMPARE(f.stateJson()["totalCopies"].toInt(), 1);

        QCOMPARE(f.run("stashwick://transform-slot/uppercased/3"), V::Done);
        QCOMPARE(f.clip(), "HELLO WORLD");
        QCOMPARE(f.run("stashwick://transform-slot/3/shout"), V::Done);
        QCOMPARE(f.clip(), "hello world");
        QCOMPARE(f.run("stashwick://load-slot/3"), V::Done);
        QCOMPARE(f.stateJson()["totalPastes"].toInt(), 3);

        QCOMPARE(f.notGiving(V::Done, {"stashwick://pin-slot/3", "stashwick://move-slot/3/7"}),
                 QStringList());
        QCOMPARE(f.dumped("slots", 7, "pinned"), "true");
        QCOMPARE(f.dumped("slots", 3, "kind"), "empty");
        f.copyText("second");
        QCOMPARE(
            f.notGiving(V::Done, {"stashwick://capture-to-slot/1", "stashwick://clear-unpinned"}),
            QStringList());
        QCOMPARE(f.slotText(1), "<empty>");
        QCOMPARE(f.slotText(7), "hello world");
        QCOMPARE(f.run("stashwick://clear-slot/7"), V::Done);
        QCOMPARE(f.slotText(7), "<empty>");

        int pasted = -1;
        f.bridge.onPaste = [&](int n) { pasted = n; };
        QCOMPARE(f.run("stashwick://paste-slot/5"), V::NothingDone);
        QCOMPARE(pasted, 5);
        // The copy chord from a compositor's binding: run for a slot in range only.
        int copied = -1;
        f.bridge.onCopy = [&](int n) { copied = n; };
        QCOMPARE(f.notGiving(V::NothingDone,
                             {"stashwick://copy-to-slot/10", "stashwick://copy-to-slot"}),
                 QStringList());
        QCOMPARE(copied, -1);
        QCOMPARE(f.run("stashwick://copy-to-slot/0"), V::Done);
        QCOMPARE(copied, 0);
    }

    void historyStatsSnippetsAndTabs() {
        BridgeFixture f;
        for (const char* t : {"one", "two", "two", "three"}) {
            f.clock.advance(1);
            f.copyText(t);
            f.bridge.handle("stashwick://capture-to-slot/0");
        }
        QCOMPARE(f.run("stashwick://history-to-slot/1/5"), V::Done);
        QCOMPARE(f.slotText(5), "three");
        QCOMPARE(f.run("stashwick://history-to-slot/3/6"), V::Done);
        QCOMPARE(f.slotText(6), "one");
        // Only three entries, and slots 0-9.
        QCOMPARE(f.notGiving(V::NothingDone,
                             {"stashwick://history-to-slot/4/6", "stashwick://history-to-slot/1/10",
                              "stashwick://history-to-slot/1/-1"}),
                 QStringList());
        QCOMPARE(f.slotText(6), "one");
        QCOMPARE(f.run("stashwick://load-stat/1/8"), V::Done); // "two" was copied twice
        QCOMPARE(f.slotText(8), "two");
        QCOMPARE(
            f.notGiving(V::NothingDone, {"stashwick://load-stat/9/8", "stashwick://load-stat/0/8",
                                         "stashwick://load-stat/1/12"}),
            QStringList());
        QCOMPARE(f.slotText(8), "two");
        QCOMPARE(f.dumped("topContent", 0, "rank"), "1");
        QCOMPARE(f.dumped("topContent", 0, "copyCount"), "2");
        QCOMPARE(f.stateJson()["history"].toArray().size(), 3);
        QCOMPARE(f.dumped("history", 0, "preview"), "three");
        QCOMPARE(f.stateJson()["historyCount"].toInt(), 3);

        QCOMPARE(f.run("stashwick://add-snippet/Greeting"), V::Done);
        f.clock.advance(1);
        QCOMPARE(f.run("stashwick://add-snippet/Sig/Hi%20{slot5}%20and%20{clipboard}/ignored"),
                 V::Done);
        QCOMPARE(f.stateJson()["snippetCount"].toInt(), 2);
        QCOMPARE(f.dumped("snippets", 0, "title"), "Sig");
        QCOMPARE(f.dumped("snippets", 1, "index"), "2");
        f.copyText("clip");
        QCOMPARE(f.run("stashwick://copy-snippet/1"), V::Done);
        QCOMPARE(f.clip(), "Hi three and clip");
        QCOMPARE(f.run("stashwick://copy-snippet/2"), V::Done);
        QCOMPARE(f.clip(), "Greeting");
        QCOMPARE(f.run("stashwick://delete-snippet/9"), V::NothingDone);
        QCOMPARE(f.state.snippets().count(), 2);
        QCOMPARE(f.run("stashwick://delete-snippet/1"), V::Done);
        QCOMPARE(f.state.snippets().all().first().title, "Greeting");

        int summoned = 0;
        f.bridge.onSummon = [&] { ++summoned; };
        QCOMPARE(f.run("stashwick://show-tab/stats"), V::Done);
        QCOMPARE(f.state.mainTab(), MainTab::Stats);
        QCOMPARE(f.run("stashwick://show-tab/nope"), V::NothingDone);
        QCOMPARE(f.state.mainTab(), MainTab::Stats);
        QCOMPARE(f.notGiving(V::Done, {"stashwick://next-tab", "stashwick://next-tab"}),
                 QStringList());
        QCOMPARE(f.stateJson()["mainTab"].toString(), "slots");
        QCOMPARE(f.run("stashwick://prev-tab"), V::Done);
        QCOMPARE(f.state.mainTab(), MainTab::Settings);
        QCOMPARE(f.run("stashwick://summon"), V::Done);
        QCOMPARE(summoned, 5); // every tab command shows the window too

        std::optional<HotkeyConfig> reloaded;
        f.state.reloadHotkeys = [&](const HotkeyConfig& c) { reloaded = c; };
        HotkeyConfig custom;
        custom.copyModifiers = Modifiers(Modifiers::control | Modifiers::shift);
        custom.save(f.defaults);
        QCOMPARE(f.run("stashwick://reload-hotkeys"), V::Done);
        QCOMPARE(reloaded, std::optional<HotkeyConfig>(custom));
    }

    void dumpHasEveryKeyInOrder() {
        BridgeFixture f;
        f.bridge.dumpState();
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
        QCOMPARE(s["hotkeys"].toObject(), QJsonObject({{"conflicts", QJsonArray()},
                                                       {"copy", "Control + Alt + N"},
                                                       {"paste", "Control + Super + N"},
                                                       {"summon", "Control + Alt + Super + V"}}));
        QCOMPARE(s["slots"].toArray()[0].toObject().keys(),
                 QStringList({"index", "kind", "pinned", "preview"}));
        QCOMPARE(s["mainTab"].toString(), QStringLiteral("slots"));
        QCOMPARE(s["accessibilityTrusted"].toBool(), false);
        QCOMPARE(s["platform"].toObject(), QJsonObject({{"session", "x11"},
                                                        {"clipboard", "x11"},
                                                        {"keystrokes", "none"},
                                                        {"chords", "none"}}));

        f.bridge.report().unavailableChords = [] { return QList<KeyChord>{{20, Modifiers(12)}}; };
        f.bridge.dumpState();
        QCOMPARE(f.stateJson()["hotkeys"].toObject()["conflicts"].toArray(),
                 QJsonArray({QJsonObject({{"chord", "Control + Alt + 3"},
                                          {"collidesWith", "Already taken by another program"}})}));
    }

    void dumpListsAreShapedAndCappedAsTheProgramKeepsThem() {
        BridgeFixture f;
        // One more capture than the program keeps, and a dozen distinct contents.
        for (int i = 0; i <= AppState::historyLimit; ++i) {
            f.clock.advance(1);
            f.copyText(QStringLiteral("entry %1").arg(i % 12));
            f.bridge.handle("stashwick://capture-to-slot/0");
        }
        ClipboardItem image;
        image.kind = ClipboardKind::Image;
        image.imagePNG = Blob(QByteArray(600 * 1024, 'i')); // too large to load again
        for (int i = 0; i < 20; ++i) {
            f.state.stats().recordCopy(image, 1);
        }
        f.state.snippets().add("Sig", "body");
        QCOMPARE(f.run("stashwick://history-to-slot/200/1"), V::Done);
        QCOMPARE(f.slotText(1), "entry 1");
        QCOMPARE(f.run("stashwick://history-to-slot/201/1"), V::NothingDone);

        const QJsonObject s = f.stateJson();
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
        BridgeFixture f;
        QString line;
        for (int i = 0; line.size() < 30000; ++i) {
            line += QStringLiteral("word%1 ").arg(i);
        }
        const QString text = QStringLiteral(" \n\t") + line + QStringLiteral("\nend \n");
        const QString cut = ClipboardItem::makeText(text).preview().left(10000) + u'\u2026';
        f.copyText(text);
        QCOMPARE(f.run("stashwick://capture-to-slot/3"), V::Done);
        f.clock.advance(1);
        const QString exact = QStringLiteral("e").repeated(10000);
        f.copyText(QStringLiteral("\n") + exact + QStringLiteral("  "));
        QCOMPARE(f.run("stashwick://capture-to-slot/4"), V::Done);

        const QJsonObject s = f.stateJson();
        QCOMPARE(s["slots"].toArray()[3].toObject()["preview"].toString(), cut);
        QCOMPARE(s["history"].toArray()[1].toObject()["preview"].toString(), cut);
        QCOMPARE(s["topContent"].toArray()[1].toObject()["preview"].toString(), cut);
        QCOMPARE(s["slots"].toArray()[4].toObject()["preview"].toString(), exact);
        QCOMPARE(s["history"].toArray()[0].toObject()["preview"].toString(), exact);
        QCOMPARE(s["topContent"].toArray()[0].toObject()["preview"].toString(), exact);
    }

    void aFullDiskKeepsThePreviousStateFile() {
        SmallDisk disk;
        if (!disk.isMounted()) {
            QSKIP(qPrintable(disk.why()));
        }
        AppFixture f;
        const QString stateFile = disk.path("state.json");
        AutomationBridge bridge(f.state, f.defaults, stateFile);
        bridge.dumpState();
        const QByteArray before = SmallDisk::contents(stateFile);
        QVERIFY(before.contains("\"mainTab\": \"slots\""));
        QVERIFY(disk.fill());
        QCOMPARE(bridge.handleWithReason("stashwick://show-tab/stats").verdict, V::Done);
        QCOMPARE(SmallDisk::contents(stateFile), before);
        QCOMPARE(QDir(disk.path(".")).entryList(QDir::Files), QStringList({"state.json"}));
    }

    void actionsWithNothingToActOnSayWhyAndStillDump() {
        BridgeFixture f;
        for (const char* url :
             {"stashwick://capture-to-slot/1", "stashwick://capture-to-slot/42",
              "stashwick://load-slot/5", "stashwick://copy-snippet/9", "stashwick://move-slot/3",
              "stashwick://move-slot/3/4", "stashwick://clear-slot/2", "stashwick://pin-slot/2",
              "stashwick://show-tab/nope", "stashwick://clear-unpinned"}) {
            QFile::remove(f.stateFile);
            const auto r = f.bridge.handleWithReason(url);
            QVERIFY2(r.verdict == V::NothingDone && !r.reason.isEmpty(), url);
            QVERIFY2(QFile::exists(f.stateFile), url);
        }
        QCOMPARE(f.bridge.handleWithReason("stashwick://capture-to-slot/42").reason,
                 QStringLiteral("slot 42 is out of range (0-9)"));
    }

    void repliesNameWhatHappenedWhenSavesFail() {
        BridgeFixture f(1000);
        f.copyText("first");
        QCOMPARE(f.run("stashwick://capture-to-slot/2"), V::Done);
        // Content over the limit: refused with its size (the command exits 3); the slot and
        // the history keep theirs.
        f.copyText(QString(1500, QLatin1Char('x')));
        const auto refused = f.bridge.handleWithReason("stashwick://capture-to-slot/2");
        QCOMPARE(refused.verdict, V::NothingDone);
        QVERIFY2(refused.reason.contains("too large (1.5 kB"), qPrintable(refused.reason));
        QCOMPARE(f.slotText(2), "first");
        QCOMPARE(f.state.slots().historyCount(), 1);

        f.state.container().setSaveFailure(QStringLiteral("disk is full"));

        // Each change waits: the reply says so, and state.json shows what reads see.
        f.copyText("second");
        const auto capture = f.bridge.handleWithReason("stashwick://capture-to-slot/2");
        QCOMPARE(capture.verdict, V::NothingDone);
        QCOMPARE(capture.reason, QStringLiteral("not saved yet: disk is full"));
        QCOMPARE(f.dumped("slots", 2, "preview"), "second");
        for (const char* url : {"stashwick://move-slot/2/7", "stashwick://add-snippet/Sig",
                                "stashwick://pin-slot/7"}) {
            const auto r = f.bridge.handleWithReason(url);
            QCOMPARE(r.verdict, V::NothingDone);
            QVERIFY2(r.reason == QStringLiteral("not saved yet: disk is full"), url);
        }
        QCOMPARE(f.state.snippets().count(), 1);
        QVERIFY(f.state.slots().isPinned(7));

        // Space is back: the next change saves everything that waited.
        f.state.container().setSaveFailure(std::nullopt);
        QCOMPARE(f.run("stashwick://clear-slot/7"), V::Done);
        QVERIFY(!f.state.container().hasPendingChanges());
        QCOMPARE(f.state.snippets().count(), 1);

        // A statistic whose stored content is damaged is named as such, not as too large.
        f.copyText("third");
        QCOMPARE(f.run("stashwick://capture-to-slot/1"), V::Done);
        QVERIFY(f.state.container().db().exec(
            "UPDATE content_stat SET item_data = x'62706c6973743030ff', copy_count = 99"));
        const auto damaged = f.bridge.handleWithReason("stashwick://load-stat/1/4");
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

    void theLinkPolicyCoversEveryAction() {
        BridgeFixture f;
        QCOMPARE(LinkPolicy::actions(), allActions);
        for (const QString& action : allActions) {
            const QByteArray url = "stashwick://" + action.toUtf8() + "/1/2";
            // Every row is an action the bridge knows.
            QVERIFY2(f.bridge.handleWithReason(url).verdict != V::Refused, url.constData());
            const auto parsed = AutomationUrl::parse(url);
            const bool shows = showingActions.contains(action);
            QCOMPARE(LinkPolicy::handling(*parsed),
                     shows ? LinkPolicy::Handling::AtOnce : LinkPolicy::Handling::Ask);
            QCOMPARE(LinkPolicy::describe(*parsed).startsWith("A link asks Stashwick to "), !shows);
            QCOMPARE(LinkPolicy::pressesKeys(*parsed),
                     action == u"paste-slot" || action == u"copy-to-slot");
        }
        QCOMPARE(LinkPolicy::handling(*AutomationUrl::parse("stashwick://frobnicate/1")),
                 LinkPolicy::Handling::Refuse);
        QCOMPARE(LinkPolicy::handling(*AutomationUrl::parse("stashwick://Paste-Slot/1")),
                 LinkPolicy::Handling::Refuse);

        const auto said = [](const char* url) {
            return LinkPolicy::describe(*AutomationUrl::parse(url));
        };
        // The numbers the bridge would use, not the first components.
        QCOMPARE(said("stashwick://history-to-slot/x/2/0"),
                 "A link asks Stashwick to put clipboard history entry 2 (1 is the newest) into "
                 "slot 0");
        QCOMPARE(said("stashwick://transform-slot/uppercased/4"),
                 "A link asks Stashwick to put slot 4 on the clipboard in upper case");
        QCOMPARE(said("stashwick://clear-slot"),
                 "A link asks Stashwick to empty slot (no number), even if it is pinned");
        QCOMPARE(said("stashwick://delete-snippet/1"), "A link asks Stashwick to delete snippet 1");
        QCOMPARE(said("stashwick://clear-unpinned"),
                 "A link asks Stashwick to empty every slot that is not pinned");
        // Text from the link is shown as text: no markup, no direction overrides, no line
        // breaks, and "%2" in a title is not filled in again.
        QCOMPARE(said("stashwick://add-snippet/%3Cb%3EHi%25%32%3C%2Fb%3E%E2%80%AE/one%0Atwo"),
                 "A link asks Stashwick to add a snippet titled \u201c<b>Hi%2</b>\u201d with the "
                 "text \u201cone\u21b5two\u201d");
        const QString body = QString(500, u'a');
        const QString shown = said(("stashwick://add-snippet/T/" + body).toUtf8().constData());
        QVERIFY(shown.endsWith(QString(80, u'a') + u'\u2026' + u'\u201d'));
        QVERIFY(shown.size() < 200);
        // A character outside the basic plane counts once and is never cut in half.
        QCOMPARE(LinkPolicy::shown(QString(3, u'x') + QStringLiteral("\U0001F600\U0001F600"), 4),
                 QStringLiteral("xxx\U0001F600\u2026"));
        QCOMPARE(LinkPolicy::shown(QStringLiteral("ab\u200b\u2066"), 2), QStringLiteral("ab"));
        // Control characters are dropped, not shown.
        QCOMPARE(LinkPolicy::shown(QStringLiteral("a\u0007b\u001bc\u0085d"), 10),
                 QStringLiteral("abcd"));
    }

    void linkRequestsAreTheirOwnKindInWholeFrames() {
        using F = InstanceFrame;
        const std::string url = "stashwick://clear-unpinned";
        // The command's request is the URL as it always was.
        QCOMPARE(F::request(F::Source::Command, url), url);
        QCOMPARE(F::parseRequest(url)->source, F::Source::Command);
        const std::string link = F::request(F::Source::Link, url);
        QCOMPARE(F::parseRequest(link)->source, F::Source::Link);
        QCOMPARE(F::parseRequest(link)->url, url);
        QVERIFY(!F::parseRequest(std::string("\x01Zstashwick://dump")));
        QVERIFY(!F::parseRequest(std::string("\x01")));
        QCOMPARE(F::parseReply(F::reply(F::Verdict::Waiting, "w").substr(4))->first,
                 F::Verdict::Waiting);

        // A frame is handed out only when whole.
        InstanceFrame::Reader reader;
        const std::string frame = InstanceFrame::encode("stashwick://dump");
        reader.feed(frame.substr(0, frame.size() - 1));
        QVERIFY(!reader.next());
        reader.feed(frame.substr(frame.size() - 1) + frame);
        QCOMPARE(reader.next(), std::optional<std::string>("stashwick://dump"));
        QCOMPARE(reader.next(), std::optional<std::string>("stashwick://dump"));
        QVERIFY(!reader.next());
        // A length beyond the bound stops the reader for good.
        reader.feed(std::string(4, '\xff'));
        QVERIFY(reader.failed());
        reader.feed(frame);
        QVERIFY(!reader.next());
    }

    void linksThatOnlyShowRunAtOnce() {
        GateFixture g;
        int summoned = 0;
        g.bridge.onSummon = [&] { ++summoned; };
        QCOMPARE(g.open("stashwick://show-tab/stats"), V::Done);
        QCOMPARE(g.state.mainTab(), MainTab::Stats);
        QCOMPARE(g.open("stashwick://next-tab"), V::Done);
        QCOMPARE(g.open("stashwick://summon"), V::Done);
        QCOMPARE(g.open("stashwick://dump"), V::Done);
        QCOMPARE(summoned, 3);
        QCOMPARE(g.gate.open("stashwick://show-tab/nope").reason, "no tab named nope");
        // Unknown and malformed links are refused without a question.
        {
            LogCapture log;
            const auto unknown = g.gate.open("stashwick://frobnicate/1");
            QCOMPARE(unknown.verdict, V::Refused);
            QCOMPARE(unknown.reason, "unknown action: frobnicate");
            QCOMPARE(log.count(), 1);
            QVERIFY(log.contains("io.stashwick.automation",
                                 "refused a link (unknown action: frobnicate): "
                                 "stashwick://frobnicate/1"));
        }
        QCOMPARE(g.open("stashwick://paste-slot/%zz"), V::Refused);
        QCOMPARE(g.open("http://paste-slot/2"), V::Refused);
        QVERIFY(g.prompt.asked.isEmpty());
        QCOMPARE(g.gate.heldCount(), 0);
    }

    void anAllowedLinkRunsExactlyAsTheCommand() {
        for (const char* url :
             {"stashwick://delete-snippet/1", "stashwick://clear-unpinned",
              "stashwick://history-to-slot/1/5", "stashwick://add-snippet/Hi/there",
              "stashwick://transform-slot/2/uppercased", "stashwick://move-slot/2/9"}) {
            GateFixture byLink;
            GateFixture byCommand;
            const QJsonObject before = byLink.bridge.stateObject();
            const auto reply = byLink.gate.open(url);
            QCOMPARE(reply.verdict, V::Waiting);
            QCOMPARE(reply.reason, "waiting for you to allow it in Stashwick");
            QVERIFY2(byLink.prompt.showing(), url);
            QCOMPARE(byLink.prompt.asked.first().url, QString::fromUtf8(url));
            QCOMPARE(byLink.bridge.stateObject(), before); // nothing yet
            byLink.prompt.answer(LinkPrompt::Answer::Allow);
            QVERIFY2(byCommand.bridge.handleWithReason(url).verdict == V::Done, url);
            QVERIFY2(byLink.bridge.stateObject() != before, url);
            QCOMPARE(byLink.bridge.stateObject(), byCommand.bridge.stateObject());
            QCOMPARE(byLink.clip(), byCommand.clip());
            QCOMPARE(byLink.stateJson(), byCommand.stateJson());
            QCOMPARE(byLink.gate.heldCount(), 0);
        }
    }

    void anAllowedPasteWaitsForTheWindowThatWasInFront() {
        GateFixture g;
        g.front.active = 7; // the browser
        QCOMPARE(g.open("stashwick://paste-slot/2"), V::Waiting);
        QCOMPARE(g.prompt.asked.first().sentence,
                 "A link asks Stashwick to paste slot 2 into the window in front");
        g.front.active = 99; // the dialog
        g.prompt.answer(LinkPrompt::Answer::Allow);
        QCOMPARE(g.front.activated, QList<unsigned long>({7}));
        QVERIFY(g.pasted.isEmpty()); // not into the dialog's place
        g.scheduler.advance(0.5);
        QVERIFY(g.pasted.isEmpty());
        g.front.active = 7;
        g.scheduler.advance(LinkGate::focusPollInterval);
        QCOMPARE(g.pasted, QList<int>({2}));

        // A window that does not come back gets no keys, and the next link is asked.
        g.scheduler.advance(LinkGate::keysSettle);
        QCOMPARE(g.open("stashwick://paste-slot/3"), V::Waiting);
        QCOMPARE(g.open("stashwick://clear-slot/2"), V::Waiting);
        g.front.active = 99;
        LogCapture log;
        g.prompt.answer(LinkPrompt::Answer::Allow);
        g.scheduler.advance(LinkGate::focusTimeout + 0.1);
        QCOMPARE(g.pasted, QList<int>({2}));
        QVERIFY(log.mentions("io.stashwick.automation", "did not come back"));
        QVERIFY(g.prompt.showing());
        QCOMPARE(g.prompt.asked.last().url, "stashwick://clear-slot/2");

        // Where the window in front cannot be told, the keys wait for the dialog to be gone.
        GateFixture blind;
        QCOMPARE(blind.open("stashwick://paste-slot/2"), V::Waiting);
        blind.prompt.answer(LinkPrompt::Answer::Allow);
        QVERIFY(blind.pasted.isEmpty());
        blind.scheduler.advance(LinkGate::blindFocusDelay + 0.05);
        QCOMPARE(blind.pasted, QList<int>({2}));
        QVERIFY(blind.front.activated.isEmpty());
    }

    void denyCloseAndNoAnswerDoNothingAndLogOneLine_data() {
        QTest::addColumn<int>("how");
        QTest::addColumn<QString>("logged");
        QTest::newRow("deny") << 0 << "link denied: stashwick://delete-snippet/1";
        QTest::newRow("close") << 1
                               << "link not carried out, its question was closed: "
                                  "stashwick://delete-snippet/1";
        QTest::newRow("no answer") << 2
                                   << "link not carried out, no answer within 60 seconds: "
                                      "stashwick://delete-snippet/1";
    }

    void denyCloseAndNoAnswerDoNothingAndLogOneLine() {
        QFETCH(int, how);
        QFETCH(QString, logged);
        GateFixture g;
        g.front.active = 7;
        const QJsonObject before = g.bridge.stateObject();
        QCOMPARE(g.open("stashwick://delete-snippet/1"), V::Waiting);
        g.front.active = 99;
        std::function<void(LinkPrompt::Answer)> late = g.prompt.pending;
        LogCapture log;
        if (how == 0) {
            g.prompt.answer(LinkPrompt::Answer::Deny);
        } else if (how == 1) {
            g.prompt.answer(LinkPrompt::Answer::Closed);
        } else {
            g.scheduler.advance(LinkGate::answerTimeout - 0.1);
            QVERIFY(g.prompt.showing());
            QCOMPARE(log.count(), 0);
            g.scheduler.advance(0.2);
            QVERIFY(!g.prompt.showing());
            QCOMPARE(g.prompt.withdrawn, 1);
        }
        QCOMPARE(log.count(), 1);
        QVERIFY(log.contains("io.stashwick.automation", logged));
        // The user is given back the window they were in.
        QCOMPARE(g.front.activated, QList<unsigned long>({7}));
        // An answer that comes too late changes nothing either.
        late(LinkPrompt::Answer::Allow);
        g.scheduler.advance(LinkGate::answerTimeout * 2);
        QCOMPARE(g.bridge.stateObject(), before);
        QCOMPARE(g.state.snippets().count(), 1);
        QCOMPARE(g.gate.heldCount(), 0);
        QCOMPARE(log.count(), 1);
        QCOMPARE(g.scheduler.pendingCount(), std::size_t{0}); // nothing left to run
    }

    void linksAreAskedOneAtATime() {
        GateFixture g;
        QCOMPARE(g.open("stashwick://delete-snippet/1"), V::Waiting);
        QCOMPARE(g.open("stashwick://clear-slot/2"), V::Waiting);
        QCOMPARE(g.open("stashwick://add-snippet/Third"), V::Waiting);
        // The same link again is folded into the one that waits.
        const auto again = g.gate.open("stashwick://clear-slot/2");
        QCOMPARE(again.verdict, V::Waiting);
        QCOMPARE(again.reason, "already waiting for you to allow it in Stashwick");
        QCOMPARE(g.open("stashwick://delete-snippet/1"), V::Waiting);
        QCOMPARE(g.gate.heldCount(), 3);
        QCOMPARE(g.prompt.asked.size(), 1);
        QCOMPARE(g.prompt.asked[0].othersWaiting, 0);
        QCOMPARE(g.prompt.othersWaiting, 2); // the question shown says how many follow

        g.prompt.answer(LinkPrompt::Answer::Deny);
        QCOMPARE(g.prompt.asked.size(), 2);
        QCOMPARE(g.prompt.asked[1].url, "stashwick://clear-slot/2");
        QCOMPARE(g.prompt.asked[1].othersWaiting, 1);
        QCOMPARE(g.prompt.othersWaiting, 1);
        // Each question gets its own minute.
        g.scheduler.advance(LinkGate::answerTimeout - 1);
        g.prompt.answer(LinkPrompt::Answer::Allow);
        QVERIFY(!g.state.slots().item(2));
        QCOMPARE(g.prompt.asked.size(), 3);
        g.scheduler.advance(LinkGate::answerTimeout - 1);
        QVERIFY(g.prompt.showing());
        g.prompt.answer(LinkPrompt::Answer::Allow);
        QCOMPARE(g.state.snippets().count(), 2); // the first was denied, the third added
        QVERIFY(!g.prompt.showing());
        QCOMPARE(g.gate.heldCount(), 0);
        QCOMPARE(g.scheduler.pendingCount(), std::size_t{0});
    }

    void aFloodIsBoundedAndLoggedOnce() {
        GateFixture g;
        LogCapture log;
        int waiting = 0;
        int refused = 0;
        for (int i = 0; i < 200; ++i) {
            const QByteArray url = "stashwick://load-slot/" + QByteArray::number(i);
            const auto r = g.gate.open(url);
            waiting += r.verdict == V::Waiting;
            refused += r.verdict == V::Refused;
            if (r.verdict == V::Refused) {
                QCOMPARE(r.reason, "refused: 16 links already wait for an answer in Stashwick");
            }
        }
        QCOMPARE(waiting, LinkGate::maxHeld);
        QCOMPARE(refused, 200 - LinkGate::maxHeld);
        QCOMPARE(g.prompt.asked.size(), 1);
        QCOMPARE(g.prompt.othersWaiting, LinkGate::maxHeld - 1);
        QCOMPARE(log.count(), 1); // the first refusal
        QVERIFY(log.mentions("io.stashwick.automation",
                             "refused a link (refused: 16 links already wait for an answer in "
                             "Stashwick): stashwick://load-slot/16"));
        // Links that only show something still run, and the same link again still folds.
        QCOMPARE(g.open("stashwick://dump"), V::Done);
        QCOMPARE(g.open("stashwick://load-slot/3"), V::Waiting);
        // More refusals a few seconds apart keep the burst going: they are counted, and a
        // line a minute says how many.
        for (int i = 0; i < 14; ++i) {
            g.scheduler.advance(4);
            QCOMPARE(g.open(("stashwick://load-slot/" + QByteArray::number(300 + i)).constData()),
                     V::Refused);
        }
        QCOMPARE(log.count(), 1);
        g.scheduler.advance(LinkGate::burstSummaryInterval - 14 * 4);
        QVERIFY(
            log.contains("io.stashwick.automation", "refused 197 more links from other programs"));
        // The first question had its minute too.
        QVERIFY(log.mentions("io.stashwick.automation", "no answer within 60 seconds"));
        QCOMPARE(log.count(), 3);
        g.scheduler.advance(LinkGate::burstQuiet);
        QCOMPARE(log.count(), 3); // the burst ended with nothing left to say

        // Once one is answered, there is room again; a new burst starts with a line.
        g.prompt.answer(LinkPrompt::Answer::Deny);
        QCOMPARE(g.gate.heldCount(), LinkGate::maxHeld - 2);
        QCOMPARE(g.open("stashwick://load-slot/500"), V::Waiting);
        QCOMPARE(g.open("stashwick://load-slot/501"), V::Waiting);
        QCOMPARE(g.open("stashwick://load-slot/502"), V::Refused);
        QCOMPARE(g.open("stashwick://load-slot/503"), V::Refused);
        QCOMPARE(g.gate.heldCount(), LinkGate::maxHeld);
        QCOMPARE(log.count(), 5); // the denied link and the new burst's first refusal
        g.scheduler.advance(LinkGate::burstQuiet);
        QVERIFY(log.contains("io.stashwick.automation", "refused 1 more link from other programs"));
    }

    // A refused request does nothing, state.json included; so does a link's request to a
    // program that reads every request as a URL.
    void refusalsLeaveTheStateFileAlone() {
        BridgeFixture f;
        f.copyText("kept");
        f.bridge.handle("stashwick://capture-to-slot/1");
        const QByteArray before = SmallDisk::contents(f.stateFile);
        const std::string link =
            InstanceFrame::request(InstanceFrame::Source::Link, "stashwick://clear-unpinned");
        QCOMPARE(f.bridge.handleWithReason(QByteArray::fromStdString(link)).verdict, V::Refused);
        f.copyText("would be captured");
        {
            LogCapture log;
            const auto r = f.bridge.handleWithReason("stashwick://frobnicate/1");
            QCOMPARE(r.verdict, V::Refused);
            QVERIFY(log.contains("io.stashwick.automation", "unknown action: frobnicate"));
            QCOMPARE(r.reason, QStringLiteral("unknown action: frobnicate"));
        }
        {
            LogCapture log;
            QVERIFY(!f.bridge.handle("STASHWICK://capture-to-slot/1"));
            QVERIFY(!f.bridge.handle("stashwick://capture-to-slot/%G1"));
            QCOMPARE(log.count(), 0);
        }
        QVERIFY(!f.bridge.handle("stashwick://%EF%BB%BFdump")); // a byte-order mark is no letter
        QCOMPARE(SmallDisk::contents(f.stateFile), before);
        QCOMPARE(f.slotText(1), "kept");
    }
};

QTEST_GUILESS_MAIN(AutomationBridgeTest)
#include "tst_automationbridge.moc"
