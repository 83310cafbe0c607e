#include "LogCapture.h"
#include "clipboard/ClipboardMonitor.h"
#include "clipboard/FakeClipboard.h"
#include "core/ManualScheduler.h"

#include <QTest>

namespace {
class RecordingHistory final : public HistorySink {
public:
    void addHistory(ClipboardItem item) override {
        // Drop immediate repeats like the slot store does.
        if (!added.isEmpty() && added.last().sameContent(item)) {
            return;
        }
        added.append(item);
    }
    QList<ClipboardItem> added;
};
} // namespace

class ClipboardMonitorTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void recordsEachChangeOnce() {
        ManualClock clock;
        ManualScheduler scheduler(clock);
        FakeClipboard fake;
        fake.write(ClipboardItem::makeText("present at launch"));
        RecordingHistory history;
        ClipboardMonitor monitor(fake, history, scheduler);
        monitor.start(0.6);

        scheduler.advance(3.0); // unchanged counter: nothing
        QVERIFY(history.added.isEmpty());

        fake.write(ClipboardItem::makeText("a"));
        scheduler.advance(0.6);
        QCOMPARE(history.added.size(), 1);
        scheduler.advance(0.6);
        QCOMPARE(history.added.size(), 1);
        fake.write(ClipboardItem::makeText("a"));
        scheduler.advance(0.6);
        QCOMPARE(history.added.size(), 1);
        fake.write(ClipboardItem::makeText("b"));
        scheduler.advance(0.6);
        QCOMPARE(history.added.size(), 2);

        // Two writes between ticks: only what is there at the tick.
        fake.write(ClipboardItem::makeText("c"));
        fake.write(ClipboardItem::makeText("d"));
        scheduler.advance(0.6);
        QCOMPARE(history.added.size(), 3);
        QCOMPARE(history.added.last().text, std::optional<QString>("d"));

        // Empty or missing content is skipped.
        fake.item.reset();
        ++fake.changeCountValue;
        scheduler.advance(0.6);
        ClipboardItem empty;
        fake.write(empty);
        scheduler.advance(0.6);
        QCOMPARE(history.added.size(), 3);
    }

    void concealedChangesAreSkippedAndNotLookedAtAgain() {
        ManualClock clock;
        ManualScheduler scheduler(clock);
        FakeClipboard fake;
        RecordingHistory history;
        ClipboardMonitor monitor(fake, history, scheduler);
        monitor.start(0.6);
        fake.concealed = true;
        fake.write(ClipboardItem::makeText("secret"));
        scheduler.advance(0.6);
        fake.concealed = false;
        scheduler.advance(1.2);
        QVERIFY(history.added.isEmpty());
    }

    void contentTooLargeIsSkippedWithItsSize() {
        ManualClock clock;
        ManualScheduler scheduler(clock);
        FakeClipboard fake;
        RecordingHistory history;
        ClipboardMonitor monitor(fake, history, scheduler);
        monitor.start(0.6);
        LogCapture log;
        fake.tooLarge = Oversize{300 * 1000 * 1000, false};
        fake.write(ClipboardItem::makeText("never read"));
        scheduler.advance(0.6);
        QVERIFY(history.added.isEmpty());
        QVERIFY(log.mentions(QStringLiteral("io.stashwick.app"), QStringLiteral("300 MB")));
        fake.tooLarge.reset();
        fake.write(ClipboardItem::makeText("small"));
        scheduler.advance(0.6);
        QCOMPARE(history.added.size(), 1);
    }

    void startTwiceKeepsOneTimerAndTicksStopWithTheMonitor() {
        ManualClock clock;
        ManualScheduler scheduler(clock);
        FakeClipboard fake;
        RecordingHistory history;
        {
            ClipboardMonitor monitor(fake, history, scheduler);
            monitor.start(0.6);
            monitor.start(0.1);
            QCOMPARE(scheduler.pendingCount(), std::size_t{1});
            QVERIFY(qAbs(scheduler.nextDelay() - 0.6) < 1e-6);
            fake.write(ClipboardItem::makeText("x"));
            scheduler.advance(0.3);
            QVERIFY(history.added.isEmpty()); // not yet: the first interval holds
            scheduler.advance(0.3);
            QCOMPARE(history.added.size(), 1);
        }
        fake.write(ClipboardItem::makeText("after"));
        scheduler.advance(5.0);
        QCOMPARE(history.added.size(), 1);
        QCOMPARE(scheduler.pendingCount(), std::size_t{0});
    }
};

QTEST_GUILESS_MAIN(ClipboardMonitorTest)
#include "tst_clipboardmonitor.moc"
