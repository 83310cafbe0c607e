#include "LogCapture.h"
#include "StoreStack.h"
#include "TestItems.h"
#include "app/ServiceSlotClipboard.h"
#include "core/ManualScheduler.h"
#include "hotkeys/FakeKeystrokeSynthesizer.h"
#include "hotkeys/HotkeyCoordinator.h"

#include <QTest>
#include <functional>
#include <utility>

namespace {
// The recording synthesizer behind a desktop that may not let keys be pressed yet and wants
// a settle time before them.
class GatedSynthesizer final : public KeystrokeSynthesizing {
public:
    explicit GatedSynthesizer(FakeKeystrokeSynthesizer& keys) : m_keys(keys) {}
    void sendCopy() override { m_keys.sendCopy(); }
    void sendPaste() override { m_keys.sendPaste(); }
    bool targetCopiesBySelection() override { return m_keys.targetCopiesBySelection(); }
    bool canPress() const override { return allowed; }
    double settleDelay() const override { return settle; }
    void whenModifiersFree(std::function<void()> ready) override {
        if (modifiersHeld) {
            waiting << std::move(ready);
        } else {
            ready();
        }
    }
    // The user lets go of the chord's modifiers.
    void letGo() {
        modifiersHeld = false;
        for (const auto& ready : std::exchange(waiting, {})) {
            ready();
        }
    }

    bool allowed = true;
    double settle = 0;
    bool modifiersHeld = false;
    QList<std::function<void()>> waiting;

private:
    FakeKeystrokeSynthesizer& m_keys;
};

using TestItems::textOf;

struct Fixture : StoreStack {
    ManualScheduler scheduler{clock};
    FakeClipboard selection;
    ServiceSlotClipboard slotClipboard{service};
    FakeKeystrokeSynthesizer synth;
    GatedSynthesizer gated{synth};
    std::unique_ptr<HotkeyCoordinator> coordinator =
        std::make_unique<HotkeyCoordinator>(clipboard, slotClipboard, gated, scheduler, &selection);
    QList<FeedbackEvent> feedback;
    Fixture() {
        coordinator->onFeedback = [this](const FeedbackEvent& e) { feedback << e; };
    }

    void give(const char* text) { clipboard.write(ClipboardItem::makeText(text)); }
    void put(int slot, const char* text) { slots.setItem(ClipboardItem::makeText(text), slot); }
    QString clip() const { return textOf(clipboard.item); }
    QString slot(int n) const { return textOf(slots.item(n)); }
    bool idle() const { return scheduler.pendingCount() == 0; }
    // What the HUD was told, in order.
    QStringList said() const {
        QStringList out;
        for (const auto& e : feedback) {
            out << e.summary();
        }
        return out;
    }
    // The clipboard 1 ms before `seconds` from now and at it: "B>A" for a restore due then.
    QString clipAround(double seconds) {
        scheduler.advance(seconds - 0.001);
        const QString before = clip();
        scheduler.advance(0.001);
        return before + u'>' + clip();
    }
};
} // namespace

class HotkeyCoordinatorTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Copy, paste and summon are the decisions carried out; passing through does nothing.
    void copyCapturesAtOnceWhenTheClipboardAlreadyChanged() {
        Fixture f;
        int summoned = 0;
        f.coordinator->onSummon = [&] { ++summoned; };
        f.coordinator->handle(HotkeyDecision::summon());
        f.coordinator->handle(HotkeyDecision::passThrough());
        QCOMPARE(summoned, 1);
        f.synth.onCopy = [&] { f.give("selected"); };
        f.coordinator->handle(HotkeyDecision::copyToSlot(3));
        QVERIFY(f.idle());
        QCOMPARE(f.slot(3), "selected");
        QCOMPARE(f.said(), QStringList({"Copied → slot 3"}));
        QCOMPARE(f.feedback[0].preview, "selected");
        QCOMPARE(f.synth.sent, QStringList({"copy"})); // and none for the summon
        QCOMPARE(f.clipboard.changeCount(), 1);
    }

    // The copy looks every 10 ms, 25 times: a change is taken at the next look; without one
    // the old content is captured after exactly 0.25 s; nothing capturable leaves the slot as
    // it was; a coordinator gone before the capture captures nothing.
    void copyLooksEveryTenMsForAQuarterSecond() {
        Fixture f;
        f.coordinator->copy(2);
        f.scheduler.advance(0.02);
        QVERIFY(f.feedback.isEmpty());
        f.give("late");
        f.scheduler.advance(0.01); // the third look sees it
        QCOMPARE(f.said(), QStringList({"Copied → slot 2"}));
        QCOMPARE(f.slot(2), "late");
        QVERIFY(f.idle());

        f.coordinator->copy(1);
        f.scheduler.advance(0.249);
        QCOMPARE(f.feedback.size(), 1);
        f.scheduler.advance(0.001);
        QCOMPARE(f.slot(1), "late");

        f.clipboard.concealed = true;
        f.coordinator->copy(1);
        f.scheduler.advance(1.0);
        QCOMPARE(f.said(), QStringList({"Copied → slot 2", "Copied → slot 1", "Nothing to copy"}));
        QCOMPARE(f.feedback[2].slot, std::optional<int>(1));
        QCOMPARE(f.slot(1), "late");

        f.clipboard.concealed = false;
        f.coordinator->copy(4);
        f.give("too late");
        f.coordinator.reset();
        f.scheduler.advance(1.0);
        QCOMPARE(f.feedback.size(), 3);
        QCOMPARE(f.slot(4), "<empty>");
    }

    // The paste loads the slot, presses the keys and puts the user's clipboard back 0.25 s
    // later. The restore holds what it needs: it runs with the coordinator gone too. With
    // nothing on the clipboard before, the slot's content stays there. An empty slot is only
    // reported.
    void pasteLoadsTheSlotAndRestoresAfterTheDelay() {
        Fixture f;
        f.coordinator->paste(7);
        f.slots.setItem(ClipboardItem(), 8);
        f.coordinator->paste(8);
        QCOMPARE(f.feedback[1].outcome, FeedbackOutcome::EmptySlot);
        QVERIFY(f.synth.sent.isEmpty());
        QCOMPARE(f.clipboard.changeCount(), 0);
        QVERIFY(f.idle());

        f.put(5, "kept");
        f.coordinator->paste(5);
        f.scheduler.advance(1.0);
        QCOMPARE(f.clip(), "kept");

        f.give("A");
        f.put(3, "B");
        QString duringPaste;
        f.synth.onPaste = [&] { duringPaste = f.clip(); };
        f.coordinator->handle(HotkeyDecision::pasteFromSlot(3));
        QCOMPARE(duringPaste, "B");
        QCOMPARE(f.said(), QStringList({"Slot 7 is empty", "Slot 8 is empty", "Pasted slot 5",
                                        "Pasted slot 3"}));
        QCOMPARE(f.stats.count(StatsService::Kind::Paste, 3), 1);
        QCOMPARE(f.clipAround(0.25), "B>A");

        f.coordinator->paste(3);
        f.coordinator.reset();
        f.scheduler.advance(1.0);
        QCOMPARE(f.clip(), "A");
    }

    // A terminal that copies by selecting: its selection is taken, and a paste into it puts
    // the slot on both and restores both.
    void terminalsThatCopyBySelectingUseThePrimarySelection() {
        Fixture f;
        f.synth.selectionTarget = true;
        f.give("the user's clipboard");
        f.selection.write(ClipboardItem::makeText("selected in xterm"));
        f.coordinator->copy(4);
        // No keystroke (it would interrupt the program), no wait.
        QVERIFY(f.synth.sent.isEmpty());
        QVERIFY(f.idle());
        QCOMPARE(f.slot(4), "selected in xterm");

        f.put(2, "slot two");
        f.selection.write(ClipboardItem::makeText("selection before"));
        QStringList duringPaste;
        f.synth.onPaste = [&] { duringPaste = {f.clip(), textOf(f.selection.item)}; };
        f.coordinator->paste(2);
        QCOMPARE(duringPaste, QStringList({"slot two", "slot two"}));
        f.scheduler.advance(0.25);
        QCOMPARE(f.clip(), "the user's clipboard");
        QCOMPARE(textOf(f.selection.item), "selection before");

        // Where both report their reads, a read of either counts.
        f.clipboard.reportsEvents = true;
        f.selection.reportsEvents = true;
        f.coordinator->paste(2);
        f.scheduler.advance(0.5);
        f.selection.notifier.notifyServed(ClipboardEvents::Served::Started);
        f.selection.notifier.notifyServed(ClipboardEvents::Served::Finished);
        f.scheduler.advance(0.1);
        QCOMPARE(f.clip(), "the user's clipboard");
        QCOMPARE(textOf(f.selection.item), "selection before");
        QVERIFY(!f.selection.notifier.hasListeners());
    }

    // Until the desktop lets keys be pressed, copy takes the clipboard as it is, at once, and
    // paste leaves the slot on the clipboard for the user to paste: nothing pressed, nothing
    // put back.
    void withoutKeysTheClipboardIsTakenAndLeftAsItIs() {
        Fixture f;
        f.gated.allowed = false;
        f.gated.settle = 0.3;
        f.give("copied by the user");
        f.coordinator->copy(3);
        QVERIFY(f.idle());
        QCOMPARE(f.slot(3), "copied by the user");
        QCOMPARE(f.feedback[0].preview, "copied by the user");
        f.put(6, "slot six");
        f.coordinator->paste(6);
        QCOMPARE(f.clip(), "slot six");
        f.clipboard.concealed = true;
        f.coordinator->copy(4);
        QCOMPARE(f.slot(4), "<empty>");
        QCOMPARE(f.said(),
                 QStringList({"Clipboard → slot 3 (no Ctrl+C pressed)",
                              "Slot 6 on the clipboard: press Ctrl+V", "Nothing to copy"}));
        f.scheduler.advance(5.0);
        QVERIFY(f.synth.sent.isEmpty());
        QCOMPARE(f.clip(), "slot six");
    }

    // Content over the limit: the HUD says so with its size, the slot keeps what it had and
    // the history gets nothing. Pasting over such content cannot put it back afterwards.
    void copyOfContentTooLargeIsRefusedWithItsSize() {
        Fixture f;
        f.gated.allowed = false;
        f.put(3, "kept");
        f.give("huge");
        f.clipboard.tooLarge = Oversize{300 * 1000 * 1000, false};
        f.coordinator->copy(3);
        QCOMPARE(f.said(),
                 QStringList({"Not copied to slot 3: too large, 300 MB (at most 268 MB)"}));
        QCOMPARE(f.feedback[0].outcome, FeedbackOutcome::TooLarge);
        QCOMPARE(f.feedback[0].slot, std::optional<int>(3));
        QCOMPARE(f.slot(3), "kept");
        QCOMPARE(f.slots.historyCount(), 0);

        f.gated.allowed = true;
        f.coordinator->paste(3);
        f.scheduler.advance(5.0);
        QCOMPARE(f.clip(), "kept");
    }

    // The keys go out the settle delay after the chord, and the copy's wait and the paste's
    // restore count from them: a change before the copy keys is not their answer, one 0.24 s
    // after them still is. Gone during the delay, the coordinator presses nothing.
    void keysGoOutAfterTheSettleDelay() {
        Fixture f;
        f.gated.settle = 0.3;
        f.give("old");
        f.coordinator->copy(2);
        f.scheduler.advance(0.299);
        QVERIFY(f.synth.sent.isEmpty());
        f.give("meanwhile");
        f.scheduler.advance(0.001);
        QCOMPARE(f.synth.sent, QStringList({"copy"}));
        f.scheduler.advance(0.23);
        QVERIFY(f.feedback.isEmpty());
        f.give("selected");
        f.scheduler.advance(0.01);
        QCOMPARE(f.said(), QStringList({"Copied → slot 2"}));
        QCOMPARE(f.slot(2), "selected");
        QVERIFY(f.idle());

        f.give("A");
        f.put(3, "B");
        QString duringPaste;
        f.synth.onPaste = [&] { duringPaste = f.clip(); };
        f.coordinator->paste(3);
        QCOMPARE(f.clip(), "B");
        f.scheduler.advance(0.299);
        QCOMPARE(f.synth.sent.size(), 1);
        QCOMPARE(f.feedback.size(), 1);
        f.scheduler.advance(0.001);
        QCOMPARE(f.synth.sent, QStringList({"copy", "paste"}));
        QCOMPARE(duringPaste, "B");
        QCOMPARE(f.said(), QStringList({"Copied → slot 2", "Pasted slot 3"}));
        QCOMPARE(f.clipAround(0.25), "B>A");

        f.coordinator->paste(3);
        f.coordinator->copy(4);
        f.coordinator.reset();
        f.scheduler.advance(0.3);
        QCOMPARE(f.synth.sent.size(), 2);
        QCOMPARE(f.feedback.size(), 2);
        QCOMPARE(f.clip(), "A");
        QCOMPARE(f.slot(4), "<empty>");
    }

    // Where the keys must wait for the user to let go of the chord's modifiers, the copy's wait
    // and the paste's restore count from the keys, after the settle delay and the letting go.
    void keysWaitForTheModifiersAfterTheSettleDelay() {
        Fixture f;
        f.gated.settle = 0.3;
        f.gated.modifiersHeld = true;
        f.coordinator->copy(2);
        f.scheduler.advance(0.3);
        QVERIFY(f.synth.sent.isEmpty());
        QCOMPARE(f.gated.waiting.size(), 1);
        f.scheduler.advance(1.0); // however long the user holds them
        QVERIFY(f.synth.sent.isEmpty());
        QVERIFY(f.feedback.isEmpty());
        f.gated.letGo();
        QCOMPARE(f.synth.sent, QStringList({"copy"}));
        f.scheduler.advance(0.2);
        f.give("selected");
        f.scheduler.advance(0.01);
        QCOMPARE(f.slot(2), "selected");

        f.give("A");
        f.gated.modifiersHeld = true;
        f.coordinator->paste(2);
        QCOMPARE(f.clip(), "selected");
        f.scheduler.advance(1.0);
        QCOMPARE(f.synth.sent, QStringList({"copy"}));
        f.gated.letGo();
        QCOMPARE(f.synth.sent, QStringList({"copy", "paste"}));
        QCOMPARE(f.clipAround(0.25), "selected>A");

        // Gone while the user still holds them: nothing pressed, the clipboard back.
        f.gated.settle = 0;
        f.gated.modifiersHeld = true;
        f.coordinator->paste(2);
        f.coordinator.reset();
        f.gated.letGo();
        QCOMPARE(f.synth.sent, QStringList({"copy", "paste"}));
        QCOMPARE(f.clip(), "A");
    }

    // Where the clipboard reports its changes, the copy's wait ends on the notice (on the next
    // turn of the loop) instead of 10 ms looks, within the same 0.25 s.
    void copyWaitEndsOnTheChangeNotice() {
        Fixture f;
        f.clipboard.reportsEvents = true;
        f.coordinator->copy(2);
        QCOMPARE(f.scheduler.pendingCount(), std::size_t{1}); // the deadline alone
        QVERIFY(qAbs(f.scheduler.nextDelay() - 0.25) < 1e-9);
        f.scheduler.advance(0.137);
        f.give("late");
        QVERIFY(f.feedback.isEmpty()); // not inside whoever reported it
        f.scheduler.advance(0);
        QCOMPARE(f.feedback.size(), 1);
        QCOMPARE(f.slot(2), "late");
        QVERIFY(f.idle());
        QVERIFY(!f.clipboard.notifier.hasListeners());

        // No change: the old content after exactly 0.25 s, as without notices.
        f.coordinator->copy(1);
        f.scheduler.advance(0.249);
        QCOMPARE(f.feedback.size(), 1);
        f.scheduler.advance(0.001);
        QCOMPARE(f.feedback.size(), 2);
        QCOMPARE(f.slot(1), "late");
        QVERIFY(!f.clipboard.notifier.hasListeners());

        // A notice without a change does not end it; a coordinator gone captures nothing.
        f.coordinator->copy(5);
        f.clipboard.notifier.notifyChanged();
        f.scheduler.advance(0);
        QCOMPARE(f.feedback.size(), 2);
        f.coordinator.reset();
        f.give("too late");
        f.scheduler.advance(1.0);
        QCOMPARE(f.feedback.size(), 2);
        QCOMPARE(f.slot(5), "<empty>");
    }

    // Where the clipboard reports the reads of our content, the user's clipboard comes back
    // 0.1 s after the application's read has finished, however late it reads within 2 s; a
    // second read within that 0.1 s still gets the slot.
    void pasteRestoresOnceTheApplicationHasReadTheSlot_data() {
        QTest::addColumn<double>("readsAfter");
        QTest::newRow("at once") << 0.0;
        QTest::newRow("after 0.7 s") << 0.7;
        QTest::newRow("after 1.5 s") << 1.5;
    }
    void pasteRestoresOnceTheApplicationHasReadTheSlot() {
        QFETCH(double, readsAfter);
        using Served = ClipboardEvents::Served;
        Fixture f;
        f.clipboard.reportsEvents = true;
        f.give("A");
        f.put(3, "B");
        f.coordinator->paste(3);
        QCOMPARE(f.synth.sent, QStringList({"paste"}));
        f.scheduler.advance(readsAfter);
        QCOMPARE(f.clip(), "B");
        f.clipboard.notifier.notifyServed(Served::Started);
        f.scheduler.advance(0.3); // a slow transfer: the slot stays while it runs
        QCOMPARE(f.clip(), "B");
        f.clipboard.notifier.notifyServed(Served::Finished);
        f.scheduler.advance(0.099);
        QCOMPARE(f.clip(), "B");
        f.clipboard.notifier.notifyServed(Served::Started); // a second read right after
        f.clipboard.notifier.notifyServed(Served::Finished);
        QCOMPARE(f.clipAround(0.1), "B>A");
        QVERIFY(f.idle());
        QVERIFY(!f.clipboard.notifier.hasListeners());
        // Later reads change nothing.
        f.clipboard.notifier.notifyServed(Served::Started);
        f.clipboard.notifier.notifyServed(Served::Finished);
        f.scheduler.advance(1.0);
        QCOMPARE(f.clip(), "A");

        // Nobody reads it: the user's clipboard is back after 2 s. A read still running then
        // is let finish, 2 s more at most.
        f.coordinator->paste(3);
        QCOMPARE(f.clipAround(2.0), "B>A");
        QVERIFY(!f.clipboard.notifier.hasListeners());
        f.coordinator->paste(3);
        f.scheduler.advance(1.9);
        f.clipboard.notifier.notifyServed(Served::Started);
        f.scheduler.advance(1.0);
        QCOMPARE(f.clip(), "B");
        f.scheduler.advance(1.1); // never finished: 4 s after the keys
        QCOMPARE(f.clip(), "A");
        QVERIFY(f.idle());
    }

    // A copy the user makes elsewhere while the slot waits to be read is their newest
    // clipboard: it is not overwritten with the one from before the paste. The program's own
    // writes (a second paste) do not count as such a copy: the restores run in order.
    void aCopyMadeDuringThePasteIsNotOverwritten() {
        Fixture f;
        f.clipboard.reportsEvents = true;
        f.give("A");
        f.put(3, "B");
        f.coordinator->paste(3);
        f.scheduler.advance(1.0);
        f.clipboard.copyElsewhere(ClipboardItem::makeText("C"));
        LogCapture log;
        f.scheduler.advance(1.0);
        QCOMPARE(f.clip(), "C");
        QVERIFY(log.mentions("io.stashwick.hotkeys", "copied to during the paste"));
        QVERIFY(f.idle());

        // Without notices as with them.
        f.clipboard.reportsEvents = false;
        f.coordinator->paste(3);
        f.clipboard.copyElsewhere(ClipboardItem::makeText("D"));
        f.scheduler.advance(0.25);
        QCOMPARE(f.clip(), "D");

        f.give("A");
        f.put(4, "E");
        f.coordinator->paste(3);
        f.scheduler.advance(0.1);
        f.coordinator->paste(4); // remembers "B" as the current content
        QCOMPARE(f.clipAround(0.15), "E>A");
        f.scheduler.advance(0.1);
        QCOMPARE(f.clip(), "B");
    }

    // A copy chord pressed while a paste still waits to put the user's clipboard back presses
    // its keys once that is done: the restore is not taken for the application's copy.
    void aCopyDuringAPasteWaitsForTheRestore() {
        for (const bool notices : {false, true}) {
            Fixture f;
            f.clipboard.reportsEvents = notices;
            f.give("the user's");
            f.put(5, "slot five");
            int copies = 0;
            f.synth.onCopy = [&] {
                ++copies;
                f.clipboard.copyElsewhere(ClipboardItem::makeText("selected"));
            };
            f.coordinator->paste(5);
            f.scheduler.advance(0.1);
            f.coordinator->copy(7);
            QCOMPARE(copies, 0);
            f.scheduler.advance(5.0);
            QCOMPARE(copies, 1);
            QCOMPARE(f.slot(7), "selected");
            QCOMPARE(f.clip(), "selected");
            QVERIFY(f.idle());
        }
    }

    // The copy holds the history from its keys to its capture and tells it the change it
    // read; a copy refused for its size, or whose coordinator is gone, tells nothing.
    void copyHoldsTheHistoryUntilItHasCaptured() {
        Fixture f;
        f.clipboard.reportsEvents = true;
        QStringList calls;
        f.coordinator->holdHistory = [&] { calls << "hold"; };
        f.coordinator->releaseHistory = [&](std::optional<qint64> recorded) {
            calls << (recorded ? QStringLiteral("release %1").arg(*recorded)
                               : QStringLiteral("release"));
        };
        QStringList atTheKeys;
        f.synth.onCopy = [&] { atTheKeys = calls; };
        f.coordinator->copy(2);
        QCOMPARE(atTheKeys, QStringList({"hold"}));
        f.give("copied");
        QCOMPARE(calls, QStringList({"hold"}));
        f.scheduler.advance(0);
        QCOMPARE(calls, QStringList({"hold", "release 1"}));
        QCOMPARE(f.slot(2), "copied");

        f.clipboard.tooLarge = Oversize{300 * 1000 * 1000, false};
        f.coordinator->copy(2);
        f.scheduler.advance(0.25);
        QCOMPARE(calls, QStringList({"hold", "release 1", "hold", "release"}));
        f.clipboard.tooLarge.reset();

        f.coordinator->copy(2);
        f.coordinator.reset();
        f.scheduler.advance(0.25);
        QCOMPARE(calls.size(), 6);
        QCOMPARE(calls.last(), QStringLiteral("release"));
    }
};

QTEST_GUILESS_MAIN(HotkeyCoordinatorTest)
#include "tst_hotkeycoordinator.moc"
