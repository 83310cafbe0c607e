#include "clipboard/FakeClipboard.h"
#include "core/ManualScheduler.h"
#include "hotkeys/FakeKeystrokeSynthesizer.h"
#include "hotkeys/HotkeyCoordinator.h"
#include "store/ClipboardService.h"
#include "store/SlotStore.h"
#include "store/StatsService.h"
#include "store/StoreContainer.h"

#include <QTest>

namespace {
struct Fixture {
    ManualClock clock;
    ManualScheduler scheduler{clock};
    FakeClipboard clipboard;
    FakeClipboard selection;
    std::unique_ptr<StoreContainer> container = StoreContainer::make(true, std::nullopt, nullptr);
    SlotStore slots{*container, clock};
    StatsService stats{*container, clock};
    ClipboardService service{clipboard, slots, stats};
    FakeKeystrokeSynthesizer synth;
    std::unique_ptr<HotkeyCoordinator> coordinator =
        std::make_unique<HotkeyCoordinator>(clipboard, service, synth, scheduler, &selection);
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
