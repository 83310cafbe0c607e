#include "LogCapture.h"
#include "StoreStack.h"
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
};
} // namespace

class HotkeyCoordinatorTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void copyCapturesAtOnceWhenTheClipboardAlreadyChanged() {
        Fixture f;
        f.synth.onCopy = [&] { f.clipboard.write(ClipboardItem::makeText("selected")); };
        f.coordinator->handle(HotkeyDecision::copyToSlot(3));
        QCOMPARE(f.scheduler.pendingCount(), std::size_t{0});
        QCOMPARE(f.slots.item(3)->text, std::optional<QString>("selected"));
        QCOMPARE(f.feedback.size(), 1);
        QCOMPARE(f.feedback[0].outcome, FeedbackOutcome::Copied);
        QCOMPARE(f.feedback[0].preview, QStringLiteral("selected"));
        QCOMPARE(f.feedback[0].summary(), QStringLiteral("Copied → slot 3"));
        QCOMPARE(f.synth.sent, QStringList({"copy"}));
    }

    void copyWaitsUntilTheThirdPause() {
        Fixture f;
        f.coordinator->copy(2);
        f.scheduler.advance(0.02);
        QVERIFY(f.feedback.isEmpty());
        f.clipboard.write(ClipboardItem::makeText("late"));
        f.scheduler.advance(0.01); // third pause: the change is seen
        QCOMPARE(f.feedback.size(), 1);
        QCOMPARE(f.slots.item(2)->text, std::optional<QString>("late"));
        QCOMPARE(f.scheduler.pendingCount(), std::size_t{0});
    }

    void copyGivesUpAfterExactly25Pauses() {
        Fixture f;
        f.clipboard.write(ClipboardItem::makeText("old content"));
        const Instant start = f.clock.now();
        f.coordinator->copy(1);
        f.scheduler.advance(0.249);
        QVERIFY(f.feedback.isEmpty());
        f.scheduler.advance(0.001);
        QCOMPARE(f.feedback.size(), 1);
        QVERIFY(qAbs((f.clock.now() - start) - 0.25) < 1e-6);
        // The old content is captured all the same.
        QCOMPARE(f.feedback[0].outcome, FeedbackOutcome::Copied);
        QCOMPARE(f.slots.item(1)->text, std::optional<QString>("old content"));

        // Nothing capturable: nothingToCopy, the slot keeps its item.
        f.clipboard.concealed = true;
        f.coordinator->copy(1);
        f.scheduler.advance(1.0);
        QCOMPARE(f.feedback.size(), 2);
        QCOMPARE(f.feedback[1].outcome, FeedbackOutcome::NothingToCopy);
        QCOMPARE(f.feedback[1].summary(), QStringLiteral("Nothing to copy"));
        QCOMPARE(f.feedback[1].slot, std::optional<int>(1));
        QCOMPARE(f.slots.item(1)->text, std::optional<QString>("old content"));
    }

    void aCaptureAfterTheCoordinatorIsGoneDoesNothing() {
        Fixture f;
        f.coordinator->copy(4);
        f.clipboard.write(ClipboardItem::makeText("too late"));
        f.coordinator.reset();
        f.scheduler.advance(1.0);
        QVERIFY(f.feedback.isEmpty());
        QVERIFY(!f.slots.item(4));
    }

    void pasteLoadsTheSlotAndRestoresAfterTheDelay() {
        Fixture f;
        f.clipboard.write(ClipboardItem::makeText("A"));
        f.slots.setItem(ClipboardItem::makeText("B"), 3);
        std::optional<QString> duringPaste;
        f.synth.onPaste = [&] { duringPaste = f.clipboard.item->text; };
        f.coordinator->handle(HotkeyDecision::pasteFromSlot(3));
        QCOMPARE(duringPaste, std::optional<QString>("B"));
        QCOMPARE(f.feedback.size(), 1);
        QCOMPARE(f.feedback[0].summary(), QStringLiteral("Pasted slot 3"));
        QCOMPARE(f.stats.count(StatsService::Kind::Paste, 3), 1);
        f.scheduler.advance(0.249);
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("B"));
        f.scheduler.advance(0.001);
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("A"));
    }

    void terminalsThatCopyBySelectingUseThePrimarySelection() {
        Fixture f;
        f.synth.selectionTarget = true;
        f.clipboard.write(ClipboardItem::makeText("the user's clipboard"));
        f.selection.write(ClipboardItem::makeText("selected in xterm"));
        f.coordinator->copy(4);
        // No keystroke (it would interrupt the program), no wait.
        QVERIFY(f.synth.sent.isEmpty());
        QCOMPARE(f.scheduler.pendingCount(), std::size_t{0});
        QCOMPARE(f.slots.item(4)->text, std::optional<QString>("selected in xterm"));

        f.slots.setItem(ClipboardItem::makeText("slot two"), 2);
        f.selection.write(ClipboardItem::makeText("selection before"));
        std::pair<std::optional<QString>, std::optional<QString>> duringPaste;
        f.synth.onPaste = [&] { duringPaste = {f.clipboard.item->text, f.selection.item->text}; };
        f.coordinator->paste(2);
        QCOMPARE(duringPaste.first, std::optional<QString>("slot two"));
        QCOMPARE(duringPaste.second, std::optional<QString>("slot two"));
        f.scheduler.advance(0.25);
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("the user's clipboard"));
        QCOMPARE(f.selection.item->text, std::optional<QString>("selection before"));
    }

    void pasteFromAnEmptySlotOnlyReports() {
        Fixture f;
        f.coordinator->paste(7);
        ClipboardItem empty;
        f.slots.setItem(empty, 8);
        f.coordinator->paste(8);
        QCOMPARE(f.feedback.size(), 2);
        QCOMPARE(f.feedback[0].summary(), QStringLiteral("Slot 7 is empty"));
        QCOMPARE(f.feedback[1].outcome, FeedbackOutcome::EmptySlot);
        QVERIFY(f.synth.sent.isEmpty());
        QCOMPARE(f.clipboard.changeCount(), 0);
        QCOMPARE(f.scheduler.pendingCount(), std::size_t{0});
    }

    void pasteWithAnEmptyClipboardLeavesTheSlotItem() {
        Fixture f;
        f.slots.setItem(ClipboardItem::makeText("kept"), 5);
        f.coordinator->paste(5);
        f.scheduler.advance(1.0);
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("kept"));
    }

    void twoQuickPastesRestoreInOrder() {
        Fixture f;
        f.clipboard.write(ClipboardItem::makeText("before"));
        f.slots.setItem(ClipboardItem::makeText("one"), 1);
        f.slots.setItem(ClipboardItem::makeText("two"), 2);
        f.coordinator->paste(1);
        f.scheduler.advance(0.1);
        f.coordinator->paste(2); // remembers "one" as the current content
        f.scheduler.advance(0.15);
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("before"));
        f.scheduler.advance(0.1);
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("one"));
        // The restore holds what it needs: it runs even when the coordinator is gone.
        f.coordinator->paste(2);
        f.coordinator.reset();
        f.scheduler.advance(1.0);
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("one"));
    }

    // Until the desktop lets keys be pressed, copy takes the clipboard as it is, at once.
    void copyWithoutKeysTakesTheClipboardAtOnce() {
        Fixture f;
        f.gated.allowed = false;
        f.gated.settle = 0.3;
        f.clipboard.write(ClipboardItem::makeText("copied by the user"));
        f.coordinator->copy(3);
        QVERIFY(f.synth.sent.isEmpty());
        QCOMPARE(f.scheduler.pendingCount(), std::size_t{0});
        QCOMPARE(f.slots.item(3)->text, std::optional<QString>("copied by the user"));
        QCOMPARE(f.feedback.size(), 1);
        QCOMPARE(f.feedback[0].outcome, FeedbackOutcome::TookClipboard);
        QCOMPARE(f.feedback[0].preview, QStringLiteral("copied by the user"));
        QCOMPARE(f.feedback[0].summary(), QStringLiteral("Clipboard → slot 3 (no Ctrl+C pressed)"));

        f.clipboard.concealed = true;
        f.coordinator->copy(4);
        QCOMPARE(f.feedback[1].outcome, FeedbackOutcome::NothingToCopy);
        QVERIFY(!f.slots.item(4));
    }

    // Content over the limit: the HUD says so with its size, the slot keeps what it had and
    // the history gets nothing. Pasting over such content cannot put it back afterwards.
    void copyOfContentTooLargeIsRefusedWithItsSize() {
        Fixture f;
        f.gated.allowed = false;
        f.slots.setItem(ClipboardItem::makeText("kept"), 3);
        f.clipboard.write(ClipboardItem::makeText("huge"));
        f.clipboard.tooLarge = Oversize{300 * 1000 * 1000, false};
        f.coordinator->copy(3);
        QCOMPARE(f.feedback.size(), 1);
        QCOMPARE(f.feedback[0].outcome, FeedbackOutcome::TooLarge);
        QCOMPARE(f.feedback[0].slot, std::optional<int>(3));
        QCOMPARE(f.feedback[0].summary(),
                 QStringLiteral("Not copied to slot 3: too large, 300 MB (at most 268 MB)"));
        QCOMPARE(f.slots.item(3)->text, std::optional<QString>("kept"));
        QCOMPARE(f.slots.historyCount(), 0);

        f.gated.allowed = true;
        f.coordinator->paste(3);
        f.scheduler.advance(5.0);
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("kept"));
    }

    // ... and paste leaves the slot on the clipboard for the user to paste: nothing pressed,
    // nothing put back.
    void pasteWithoutKeysLeavesTheSlotOnTheClipboard() {
        Fixture f;
        f.gated.allowed = false;
        f.gated.settle = 0.3;
        f.clipboard.write(ClipboardItem::makeText("before"));
        f.slots.setItem(ClipboardItem::makeText("slot six"), 6);
        f.coordinator->paste(6);
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("slot six"));
        QCOMPARE(f.feedback.size(), 1);
        QCOMPARE(f.feedback[0].outcome, FeedbackOutcome::ReadyToPaste);
        QCOMPARE(f.feedback[0].summary(), QStringLiteral("Slot 6 on the clipboard: press Ctrl+V"));
        f.scheduler.advance(5.0);
        QVERIFY(f.synth.sent.isEmpty());
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("slot six"));
    }

    // The copy keys go out after the settle delay, and the wait for the clipboard counts from
    // them: a change 0.24 s after the keys is still awaited.
    void copyPressesAfterTheSettleDelayAndWaitsFromTheKeys() {
        Fixture f;
        f.gated.settle = 0.3;
        f.clipboard.write(ClipboardItem::makeText("old"));
        f.coordinator->copy(2);
        f.scheduler.advance(0.299);
        QVERIFY(f.synth.sent.isEmpty());
        // A change before the keys is not their answer.
        f.clipboard.write(ClipboardItem::makeText("meanwhile"));
        f.scheduler.advance(0.001);
        QCOMPARE(f.synth.sent, QStringList({"copy"}));
        f.scheduler.advance(0.23);
        QVERIFY(f.feedback.isEmpty());
        f.clipboard.write(ClipboardItem::makeText("selected"));
        f.scheduler.advance(0.01);
        QCOMPARE(f.feedback.size(), 1);
        QCOMPARE(f.feedback[0].outcome, FeedbackOutcome::Copied);
        QCOMPARE(f.slots.item(2)->text, std::optional<QString>("selected"));
        QCOMPARE(f.scheduler.pendingCount(), std::size_t{0});
    }

    // The paste loads the slot at the chord, presses after the settle delay, and restores the
    // restore delay after the keys.
    void pastePressesAfterTheSettleDelayAndRestoresAfterTheKeys() {
        Fixture f;
        f.gated.settle = 0.3;
        f.clipboard.write(ClipboardItem::makeText("A"));
        f.slots.setItem(ClipboardItem::makeText("B"), 3);
        std::optional<QString> duringPaste;
        f.synth.onPaste = [&] { duringPaste = f.clipboard.item->text; };
        f.coordinator->paste(3);
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("B"));
        f.scheduler.advance(0.299);
        QVERIFY(f.synth.sent.isEmpty());
        QVERIFY(f.feedback.isEmpty());
        f.scheduler.advance(0.001);
        QCOMPARE(f.synth.sent, QStringList({"paste"}));
        QCOMPARE(duringPaste, std::optional<QString>("B"));
        QCOMPARE(f.feedback.size(), 1);
        QCOMPARE(f.feedback[0].outcome, FeedbackOutcome::Pasted);
        f.scheduler.advance(0.249);
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("B"));
        f.scheduler.advance(0.001);
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("A"));
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
        f.clipboard.write(ClipboardItem::makeText("selected"));
        f.scheduler.advance(0.01);
        QCOMPARE(f.slots.item(2)->text, std::optional<QString>("selected"));

        f.clipboard.write(ClipboardItem::makeText("A"));
        f.gated.modifiersHeld = true;
        f.coordinator->paste(2);
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("selected"));
        f.scheduler.advance(1.0);
        QCOMPARE(f.synth.sent, QStringList({"copy"}));
        f.gated.letGo();
        QCOMPARE(f.synth.sent, QStringList({"copy", "paste"}));
        f.scheduler.advance(0.249);
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("selected"));
        f.scheduler.advance(0.001);
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("A"));

        // Gone while the user still holds them: nothing pressed, the clipboard back.
        f.gated.settle = 0;
        f.gated.modifiersHeld = true;
        f.coordinator->paste(2);
        f.coordinator.reset();
        f.gated.letGo();
        QCOMPARE(f.synth.sent, QStringList({"copy", "paste"}));
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("A"));
    }

    // A coordinator gone during the settle delay presses nothing; the user's clipboard comes
    // back at once.
    void aCoordinatorGoneBeforeTheKeysPressesNothing() {
        Fixture f;
        f.gated.settle = 0.3;
        f.clipboard.write(ClipboardItem::makeText("A"));
        f.slots.setItem(ClipboardItem::makeText("B"), 3);
        f.coordinator->paste(3);
        f.coordinator->copy(4);
        f.coordinator.reset();
        f.scheduler.advance(0.3);
        QVERIFY(f.synth.sent.isEmpty());
        QVERIFY(f.feedback.isEmpty());
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("A"));
        QVERIFY(!f.slots.item(4));
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
        QVERIFY(f.feedback.isEmpty());
        const Instant noticed = f.clock.now();
        f.clipboard.write(ClipboardItem::makeText("late"));
        QVERIFY(f.feedback.isEmpty()); // not inside whoever reported it
        f.scheduler.advance(0);
        QCOMPARE(f.feedback.size(), 1);
        QCOMPARE(f.clock.now(), noticed);
        QCOMPARE(f.slots.item(2)->text, std::optional<QString>("late"));
        QCOMPARE(f.scheduler.pendingCount(), std::size_t{0});
        QVERIFY(!f.clipboard.notifier.hasListeners());

        // No change: the old content after exactly 0.25 s, as without notices.
        f.clipboard.write(ClipboardItem::makeText("old content"));
        const Instant start = f.clock.now();
        f.coordinator->copy(1);
        f.scheduler.advance(0.249);
        QCOMPARE(f.feedback.size(), 1);
        f.scheduler.advance(0.001);
        QCOMPARE(f.feedback.size(), 2);
        QVERIFY(qAbs((f.clock.now() - start) - 0.25) < 1e-6);
        QCOMPARE(f.slots.item(1)->text, std::optional<QString>("old content"));
        QVERIFY(!f.clipboard.notifier.hasListeners());

        // A notice without a change does not end it; a coordinator gone captures nothing.
        f.coordinator->copy(5);
        f.clipboard.notifier.notifyChanged();
        f.scheduler.advance(0);
        QCOMPARE(f.feedback.size(), 2);
        f.coordinator.reset();
        f.clipboard.write(ClipboardItem::makeText("too late"));
        f.scheduler.advance(1.0);
        QCOMPARE(f.feedback.size(), 2);
        QVERIFY(!f.slots.item(5));
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
        Fixture f;
        f.clipboard.reportsEvents = true;
        f.clipboard.write(ClipboardItem::makeText("A"));
        f.slots.setItem(ClipboardItem::makeText("B"), 3);
        f.coordinator->paste(3);
        QCOMPARE(f.synth.sent, QStringList({"paste"}));
        f.scheduler.advance(readsAfter);
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("B"));
        using Served = ClipboardEvents::Served;
        f.clipboard.notifier.notifyServed(Served::Started);
        f.scheduler.advance(0.3); // a slow transfer: the slot stays while it runs
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("B"));
        f.clipboard.notifier.notifyServed(Served::Finished);
        f.scheduler.advance(0.099);
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("B"));
        // A second read right after the first.
        f.clipboard.notifier.notifyServed(Served::Started);
        f.clipboard.notifier.notifyServed(Served::Finished);
        f.scheduler.advance(0.099);
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("B"));
        f.scheduler.advance(0.001);
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("A"));
        QCOMPARE(f.scheduler.pendingCount(), std::size_t{0});
        QVERIFY(!f.clipboard.notifier.hasListeners());
        // Later reads change nothing.
        f.clipboard.notifier.notifyServed(Served::Started);
        f.clipboard.notifier.notifyServed(Served::Finished);
        f.scheduler.advance(1.0);
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("A"));
    }

    // Nobody reads it: the user's clipboard is back after 2 s. A read still running then is
    // let finish, 2 s more at most.
    void pasteNobodyReadsIsRestoredAfterTheBound() {
        Fixture f;
        f.clipboard.reportsEvents = true;
        f.clipboard.write(ClipboardItem::makeText("A"));
        f.slots.setItem(ClipboardItem::makeText("B"), 3);
        f.coordinator->paste(3);
        f.scheduler.advance(1.999);
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("B"));
        f.scheduler.advance(0.001);
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("A"));
        QVERIFY(!f.clipboard.notifier.hasListeners());

        f.coordinator->paste(3);
        f.scheduler.advance(1.9);
        f.clipboard.notifier.notifyServed(ClipboardEvents::Served::Started);
        f.scheduler.advance(1.0);
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("B"));
        f.scheduler.advance(1.1); // never finished: 4 s after the keys
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("A"));
        QCOMPARE(f.scheduler.pendingCount(), std::size_t{0});
    }

    // A paste into a terminal that pastes its selection: a read of either counts.
    void pasteIntoASelectionTerminalWatchesBothSelections() {
        Fixture f;
        f.clipboard.reportsEvents = true;
        f.selection.reportsEvents = true;
        f.synth.selectionTarget = true;
        f.clipboard.write(ClipboardItem::makeText("the user's clipboard"));
        f.selection.write(ClipboardItem::makeText("selection before"));
        f.slots.setItem(ClipboardItem::makeText("slot two"), 2);
        f.coordinator->paste(2);
        f.scheduler.advance(0.5);
        f.selection.notifier.notifyServed(ClipboardEvents::Served::Started);
        f.selection.notifier.notifyServed(ClipboardEvents::Served::Finished);
        f.scheduler.advance(0.1);
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("the user's clipboard"));
        QCOMPARE(f.selection.item->text, std::optional<QString>("selection before"));
        QVERIFY(!f.selection.notifier.hasListeners());
    }

    // A copy the user makes elsewhere while the slot waits to be read is their newest
    // clipboard: it is not overwritten with the one from before the paste. The program's own
    // writes (a second paste) do not count as such a copy.
    void aCopyMadeDuringThePasteIsNotOverwritten() {
        Fixture f;
        f.clipboard.reportsEvents = true;
        f.clipboard.write(ClipboardItem::makeText("A"));
        f.slots.setItem(ClipboardItem::makeText("B"), 3);
        f.coordinator->paste(3);
        f.scheduler.advance(1.0);
        f.clipboard.copyElsewhere(ClipboardItem::makeText("C"));
        LogCapture log;
        f.scheduler.advance(1.0);
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("C"));
        QVERIFY(log.mentions(QStringLiteral("io.stashwick.hotkeys"),
                             QStringLiteral("copied to during the paste")));
        QCOMPARE(f.scheduler.pendingCount(), std::size_t{0});

        // Without notices as with them.
        f.clipboard.reportsEvents = false;
        f.coordinator->paste(3);
        f.clipboard.copyElsewhere(ClipboardItem::makeText("D"));
        f.scheduler.advance(0.25);
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("D"));

        // A second paste of ours within the first's delay: the restores run in order.
        f.clipboard.write(ClipboardItem::makeText("A"));
        f.slots.setItem(ClipboardItem::makeText("E"), 4);
        f.coordinator->paste(3);
        f.scheduler.advance(0.1);
        f.coordinator->paste(4);
        f.scheduler.advance(0.149);
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("E"));
        f.scheduler.advance(0.001);
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("A"));
        f.scheduler.advance(0.1);
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("B"));
    }

    // A copy chord pressed while a paste still waits to put the user's clipboard back presses
    // its keys once that is done: the restore is not taken for the application's copy.
    void aCopyDuringAPasteWaitsForTheRestore() {
        for (const bool notices : {false, true}) {
            Fixture f;
            f.clipboard.reportsEvents = notices;
            f.clipboard.write(ClipboardItem::makeText("the user's"));
            f.slots.setItem(ClipboardItem::makeText("slot five"), 5);
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
            QCOMPARE(f.slots.item(7)->text, std::optional<QString>("selected"));
            QCOMPARE(f.clipboard.item->text, std::optional<QString>("selected"));
            QCOMPARE(f.scheduler.pendingCount(), std::size_t{0});
        }
    }

    // The copy holds the history from its keys to its capture and tells it the change it
    // read; a copy without keys, or refused for its size, does not hold it or tells nothing.
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
        f.clipboard.write(ClipboardItem::makeText("copied"));
        QCOMPARE(calls, QStringList({"hold"}));
        f.scheduler.advance(0);
        QCOMPARE(calls, QStringList({"hold", "release 1"}));
        QCOMPARE(f.slots.item(2)->text, std::optional<QString>("copied"));

        f.clipboard.tooLarge = Oversize{300 * 1000 * 1000, false};
        f.coordinator->copy(2);
        f.scheduler.advance(0.25);
        QCOMPARE(calls, QStringList({"hold", "release 1", "hold", "release"}));
        f.clipboard.tooLarge.reset();

        // Gone before the capture: released all the same.
        f.coordinator->copy(2);
        f.coordinator.reset();
        f.scheduler.advance(0.25);
        QCOMPARE(calls.size(), 6);
        QCOMPARE(calls.last(), QStringLiteral("release"));
    }

    void summonOnlyCallsBack() {
        Fixture f;
        int summoned = 0;
        f.coordinator->onSummon = [&] { ++summoned; };
        f.coordinator->handle(HotkeyDecision::summon());
        f.coordinator->handle(HotkeyDecision::passThrough());
        QCOMPARE(summoned, 1);
        QVERIFY(f.synth.sent.isEmpty());
        QCOMPARE(f.clipboard.changeCount(), 0);
    }
};

QTEST_GUILESS_MAIN(HotkeyCoordinatorTest)
#include "tst_hotkeycoordinator.moc"
