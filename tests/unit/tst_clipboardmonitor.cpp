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

// What every case watches: a fake clipboard, a history, a scheduler on a manual clock.
struct Bed {
    ManualClock clock;
    ManualScheduler scheduler{clock};
    FakeClipboard fake;
    RecordingHistory history;
};
} // namespace

class ClipboardMonitorTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Without notices the monitor polls, and says so.
    void recordsEachChangeOnce() {
        Bed bed;
        auto& [clock, scheduler, fake, history] = bed;
        fake.write(ClipboardItem::makeText("present at launch"));
        LogCapture log;
        ClipboardMonitor monitor(fake, history, scheduler);
        monitor.start(0.6);
        QVERIFY(!monitor.followsNotices());
        QVERIFY(log.mentions(QStringLiteral("io.stashwick.app"),
                             QStringLiteral("reports no changes: the history looks at it every "
                                            "0.6 s")));
        QCOMPARE(scheduler.pendingCount(), std::size_t{1});

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
        Bed bed;
        auto& [clock, scheduler, fake, history] = bed;
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
        Bed bed;
        auto& [clock, scheduler, fake, history] = bed;
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
        Bed bed;
        auto& [clock, scheduler, fake, history] = bed;
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

    // Where the clipboard reports its changes: no timer at all, one look on the next turn of
    // the loop after each notice, each change of a burst in order.
    void followsChangeNoticesWithoutATimer() {
        Bed bed;
        auto& [clock, scheduler, fake, history] = bed;
        fake.reportsEvents = true;
        fake.write(ClipboardItem::makeText("present at launch"));
        LogCapture log;
        ClipboardMonitor monitor(fake, history, scheduler);
        monitor.start(0.6);
        QVERIFY(monitor.isRunning());
        QVERIFY(monitor.followsNotices());
        QVERIFY(log.mentions(QStringLiteral("io.stashwick.app"),
                             QStringLiteral("follows the clipboard's change notices")));
        QCOMPARE(scheduler.pendingCount(), std::size_t{0});
        scheduler.advance(60.0);
        QVERIFY(history.added.isEmpty());

        fake.write(ClipboardItem::makeText("a"));
        QVERIFY(history.added.isEmpty()); // not inside whoever reported it
        QCOMPARE(scheduler.pendingCount(), std::size_t{1});
        QCOMPARE(scheduler.nextDelay(), 0.0);
        scheduler.advance(0);
        QCOMPARE(history.added.size(), 1);
        QCOMPARE(scheduler.pendingCount(), std::size_t{0});

        // A burst, each copy looked at before the next lands: all of it, in order.
        for (const char* text : {"b", "c", "d", "e", "f"}) {
            fake.write(ClipboardItem::makeText(text));
            scheduler.advance(0.03);
        }
        QCOMPARE(history.added.size(), 6);
        QCOMPARE(history.added[1].text, std::optional<QString>("b"));
        QCOMPARE(history.added[5].text, std::optional<QString>("f"));

        // Two changes before the look: one look, at what is there then.
        fake.write(ClipboardItem::makeText("g"));
        fake.write(ClipboardItem::makeText("h"));
        QCOMPARE(scheduler.pendingCount(), std::size_t{1});
        scheduler.advance(0);
        QCOMPARE(history.added.size(), 7);
        QCOMPARE(history.added.last().text, std::optional<QString>("h"));

        // A notice without a change, and a repeat of the newest entry: nothing added.
        fake.notifier.notifyChanged();
        scheduler.advance(0);
        fake.write(ClipboardItem::makeText("h"));
        scheduler.advance(0);
        QCOMPARE(history.added.size(), 7);
        QCOMPARE(scheduler.pendingCount(), std::size_t{0});
    }

    // A change that can no longer be read (its owner quit) is skipped with a log line; so is
    // concealed content, and neither is looked at again.
    void unreadableAndConcealedNoticesAreSkipped() {
        Bed bed;
        auto& [clock, scheduler, fake, history] = bed;
        fake.reportsEvents = true;
        ClipboardMonitor monitor(fake, history, scheduler);
        monitor.start(0.6);
        LogCapture log;
        fake.item.reset();
        ++fake.changeCountValue;
        fake.notifier.notifyChanged();
        scheduler.advance(0);
        QVERIFY(history.added.isEmpty());
        QVERIFY(
            log.mentions(QStringLiteral("io.stashwick.app"), QStringLiteral("could not be read")));

        fake.concealed = true;
        fake.write(ClipboardItem::makeText("secret"));
        scheduler.advance(0);
        fake.concealed = false;
        fake.notifier.notifyChanged();
        scheduler.advance(0);
        QVERIFY(history.added.isEmpty());
        fake.write(ClipboardItem::makeText("next"));
        scheduler.advance(0);
        QCOMPARE(history.added.size(), 1);
    }

    // Notices after the monitor is gone do nothing.
    void noticesStopWithTheMonitor() {
        Bed bed;
        auto& [clock, scheduler, fake, history] = bed;
        fake.reportsEvents = true;
        {
            ClipboardMonitor monitor(fake, history, scheduler);
            monitor.start(0.6);
            fake.write(ClipboardItem::makeText("pending"));
        }
        fake.write(ClipboardItem::makeText("after"));
        scheduler.advance(1.0);
        QVERIFY(history.added.isEmpty());
        QVERIFY(!fake.notifier.hasListeners());
    }

    // A copy chord holds the history while it reads the clipboard itself: the change it
    // recorded is not read again; one that came after it is looked at once it lets go.
    void aHolderReadsItsChangeItself() {
        Bed bed;
        auto& [clock, scheduler, fake, history] = bed;
        fake.reportsEvents = true;
        ClipboardMonitor monitor(fake, history, scheduler);
        monitor.start(0.6);
        monitor.hold();
        fake.write(ClipboardItem::makeText("copied by the chord"));
        scheduler.advance(0.1);
        QVERIFY(history.added.isEmpty());
        monitor.release(fake.changeCount());
        scheduler.advance(1.0);
        QVERIFY(history.added.isEmpty()); // the chord put it in the history itself
        QCOMPARE(scheduler.pendingCount(), std::size_t{0});

        // A change after the one the holder read: looked at on release.
        monitor.hold();
        fake.write(ClipboardItem::makeText("read by the chord"));
        const qint64 read = fake.changeCount();
        fake.write(ClipboardItem::makeText("came after"));
        scheduler.advance(0.1);
        monitor.release(read);
        QVERIFY(history.added.isEmpty()); // not inside the holder's step
        scheduler.advance(0);
        QCOMPARE(history.added.size(), 1);
        QCOMPARE(history.added.last().text, std::optional<QString>("came after"));

        // Refused for its size by the holder (nothing recorded): the history looks itself.
        monitor.hold();
        monitor.hold();
        fake.write(ClipboardItem::makeText("too large for the chord"));
        monitor.release(std::nullopt);
        scheduler.advance(0.1);
        QCOMPARE(history.added.size(), 1); // still held once
        monitor.release(std::nullopt);
        scheduler.advance(0);
        QCOMPARE(history.added.size(), 2);
        monitor.release(std::nullopt); // not held: nothing
        scheduler.advance(1.0);
        QCOMPARE(history.added.size(), 2);
    }
};

QTEST_GUILESS_MAIN(ClipboardMonitorTest)
#include "tst_clipboardmonitor.moc"
