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

// What every case watches: a fake clipboard, a history, a scheduler on a manual clock, and
// the monitor once started (polling every 0.6 s where the clipboard reports no changes).
struct Bed {
    explicit Bed(bool notices) { fake.reportsEvents = notices; }
    ClipboardMonitor& start() {
        monitor.emplace(fake, history, scheduler);
        monitor->start(0.6);
        return *monitor;
    }
    void copy(const char* text) { fake.write(ClipboardItem::makeText(text)); }
    QStringList texts() const {
        QStringList out;
        for (const ClipboardItem& item : history.added) {
            out << item.text.value_or("(no text)");
        }
        return out;
    }
    ManualClock clock;
    ManualScheduler scheduler{clock};
    FakeClipboard fake;
    RecordingHistory history;
    std::optional<ClipboardMonitor> monitor;
};

void bothWays() {
    QTest::addColumn<bool>("notices");
    QTest::newRow("polling") << false;
    QTest::newRow("change notices") << true;
}
} // namespace

class ClipboardMonitorTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Without notices the monitor polls, and says so.
    void recordsEachChangeOnce() {
        Bed b(false);
        b.copy("present at launch");
        LogCapture log;
        QVERIFY(!b.start().followsNotices());
        QVERIFY(log.mentions(QStringLiteral("io.stashwick.app"),
                             QStringLiteral("reports no changes: the history looks at it every "
                                            "0.6 s")));
        QCOMPARE(b.scheduler.pendingCount(), std::size_t{1});

        b.scheduler.advance(3.0); // unchanged counter: nothing
        QVERIFY(b.history.added.isEmpty());

        b.copy("a");
        b.scheduler.advance(0.6);
        QCOMPARE(b.texts(), QStringList({"a"}));
        b.scheduler.advance(0.6);
        b.copy("a");
        b.scheduler.advance(0.6);
        QCOMPARE(b.texts(), QStringList({"a"}));
        b.copy("b");
        b.scheduler.advance(0.6);
        QCOMPARE(b.texts(), QStringList({"a", "b"}));

        // Two writes between ticks: only what is there at the tick.
        b.copy("c");
        b.copy("d");
        b.scheduler.advance(0.6);
        QCOMPARE(b.texts(), QStringList({"a", "b", "d"}));

        // Empty content is skipped.
        b.fake.write(ClipboardItem());
        b.scheduler.advance(0.6);
        QCOMPARE(b.history.added.size(), 3);
    }

    void startTwiceKeepsOneTimer() {
        Bed b(false);
        b.start();
        b.monitor->start(0.1);
        QCOMPARE(b.scheduler.pendingCount(), std::size_t{1});
        QVERIFY(qAbs(b.scheduler.nextDelay() - 0.6) < 1e-6);
        b.copy("x");
        b.scheduler.advance(0.3);
        QVERIFY(b.history.added.isEmpty()); // not yet: the first interval holds
        b.scheduler.advance(0.3);
        QCOMPARE(b.texts(), QStringList({"x"}));
    }

    // Where the clipboard reports its changes: no timer at all, one look on the next turn of
    // the loop after each notice, each change of a burst in order.
    void followsChangeNoticesWithoutATimer() {
        Bed b(true);
        b.copy("present at launch");
        LogCapture log;
        ClipboardMonitor& monitor = b.start();
        QVERIFY(monitor.isRunning());
        QVERIFY(monitor.followsNotices());
        QVERIFY(log.mentions(QStringLiteral("io.stashwick.app"),
                             QStringLiteral("follows the clipboard's change notices")));
        QCOMPARE(b.scheduler.pendingCount(), std::size_t{0});
        b.scheduler.advance(60.0);
        QVERIFY(b.history.added.isEmpty());

        b.copy("a");
        QVERIFY(b.history.added.isEmpty()); // not inside whoever reported it
        QCOMPARE(b.scheduler.pendingCount(), std::size_t{1});
        QCOMPARE(b.scheduler.nextDelay(), 0.0);
        b.scheduler.advance(0);
        QCOMPARE(b.texts(), QStringList({"a"}));
        QCOMPARE(b.scheduler.pendingCount(), std::size_t{0});

        // A burst, each copy looked at before the next lands: all of it, in order.
        for (const char* text : {"b", "c", "d", "e", "f"}) {
            b.copy(text);
            b.scheduler.advance(0.03);
        }
        QCOMPARE(b.texts(), QStringList({"a", "b", "c", "d", "e", "f"}));

        // Two changes before the look: one look, at what is there then.
        b.copy("g");
        b.copy("h");
        QCOMPARE(b.scheduler.pendingCount(), std::size_t{1});
        b.scheduler.advance(0);
        QCOMPARE(b.texts().mid(6), QStringList({"h"}));

        // A notice without a change, and a repeat of the newest entry: nothing added.
        b.fake.notifier.notifyChanged();
        b.scheduler.advance(0);
        b.copy("h");
        b.scheduler.advance(0);
        QCOMPARE(b.history.added.size(), 7);
        QCOMPARE(b.scheduler.pendingCount(), std::size_t{0});
    }

    // Concealed content (a password) is skipped; so, with a log line, are content refused for
    // its size (naming the size) and a change that can no longer be read (its owner quit).
    // None of them is looked at again.
    void skippedChangesAreNotLookedAtAgain_data() { bothWays(); }
    void skippedChangesAreNotLookedAtAgain() {
        QFETCH(bool, notices);
        Bed b(notices);
        b.start();
        const double look = notices ? 0 : 0.6;
        LogCapture log;
        b.fake.concealed = true;
        b.copy("secret");
        b.scheduler.advance(look);
        b.fake.concealed = false;
        b.fake.notifier.notifyChanged();
        b.scheduler.advance(2 * look);

        b.fake.tooLarge = Oversize{300 * 1000 * 1000, false};
        b.copy("never read");
        b.scheduler.advance(look);
        QVERIFY(log.mentions(QStringLiteral("io.stashwick.app"), QStringLiteral("300 MB")));
        b.fake.tooLarge.reset();

        b.fake.item.reset();
        ++b.fake.changeCountValue;
        b.fake.notifier.notifyChanged();
        b.scheduler.advance(look);
        QVERIFY(
            log.mentions(QStringLiteral("io.stashwick.app"), QStringLiteral("could not be read")));
        QVERIFY(b.history.added.isEmpty());

        b.copy("next");
        b.scheduler.advance(look);
        QCOMPARE(b.texts(), QStringList({"next"}));
    }

    // Ticks and notices after the monitor is gone do nothing.
    void looksStopWithTheMonitor_data() { bothWays(); }
    void looksStopWithTheMonitor() {
        QFETCH(bool, notices);
        Bed b(notices);
        b.start();
        b.copy("pending");
        b.monitor.reset();
        b.copy("after");
        b.scheduler.advance(5.0);
        QVERIFY(b.history.added.isEmpty());
        QCOMPARE(b.scheduler.pendingCount(), std::size_t{0});
        QVERIFY(!b.fake.notifier.hasListeners());
    }

    // A copy chord holds the history while it reads the clipboard itself: the change it
    // recorded is not read again; one that came after it is looked at once it lets go.
    void aHolderReadsItsChangeItself() {
        Bed b(true);
        ClipboardMonitor& monitor = b.start();
        monitor.hold();
        b.copy("copied by the chord");
        b.scheduler.advance(0.1);
        QVERIFY(b.history.added.isEmpty());
        monitor.release(b.fake.changeCount());
        b.scheduler.advance(1.0);
        QVERIFY(b.history.added.isEmpty()); // the chord put it in the history itself
        QCOMPARE(b.scheduler.pendingCount(), std::size_t{0});

        // A change after the one the holder read: looked at on release.
        monitor.hold();
        b.copy("read by the chord");
        const qint64 read = b.fake.changeCount();
        b.copy("came after");
        b.scheduler.advance(0.1);
        monitor.release(read);
        QVERIFY(b.history.added.isEmpty()); // not inside the holder's step
        b.scheduler.advance(0);
        QCOMPARE(b.texts(), QStringList({"came after"}));

        // Refused for its size by the holder (nothing recorded): the history looks itself.
        monitor.hold();
        monitor.hold();
        b.copy("too large for the chord");
        monitor.release(std::nullopt);
        b.scheduler.advance(0.1);
        QCOMPARE(b.history.added.size(), 1); // still held once
        monitor.release(std::nullopt);
        b.scheduler.advance(0);
        QCOMPARE(b.history.added.size(), 2);
        monitor.release(std::nullopt); // not held: nothing
        b.scheduler.advance(1.0);
        QCOMPARE(b.history.added.size(), 2);
    }
};

QTEST_GUILESS_MAIN(ClipboardMonitorTest)
#include "tst_clipboardmonitor.moc"
