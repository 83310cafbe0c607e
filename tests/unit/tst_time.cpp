#include "TestEnv.h"
#include "core/ManualScheduler.h"
#include "core/UserDefaults.h"

#include <QTest>

class TimeTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void tasksRunInDueOrderAndMoveTheClock() {
        ManualClock clock;
        ManualScheduler scheduler(clock);
        const Instant start = clock.now();
        QStringList ran;
        QList<double> at;
        scheduler.schedule(0.3, [&] {
            ran << "c";
            at << (clock.now() - start);
        });
        scheduler.schedule(0.1, [&] {
            ran << "a";
            at << (clock.now() - start);
        });
        scheduler.schedule(0.1, [&] { ran << "b"; }); // same time: in scheduling order
        scheduler.advance(0.2);
        QCOMPARE(ran, QStringList({"a", "b"}));
        QVERIFY(qAbs(at.first() - 0.1) < 1e-6);
        QVERIFY(qAbs((clock.now() - start) - 0.2) < 1e-6);
        scheduler.advance(0.1);
        QCOMPARE(ran, QStringList({"a", "b", "c"}));
        QCOMPARE(scheduler.pendingCount(), std::size_t{0});
    }

    void chainedTasksLandExactly() {
        // 25 waits of 10 ms scheduled one from the other finish at 0.25 s, not later.
        ManualClock clock;
        ManualScheduler scheduler(clock);
        int runs = 0;
        std::function<void()> step = [&] {
            if (++runs < 25) {
                scheduler.schedule(0.01, step);
            }
        };
        scheduler.schedule(0.01, step);
        scheduler.advance(0.249);
        QCOMPARE(runs, 24);
        scheduler.advance(0.001);
        QCOMPARE(runs, 25);
    }

    void cancelledTasksNeverRun() {
        ManualClock clock;
        ManualScheduler scheduler(clock);
        bool ran = false;
        const auto id = scheduler.schedule(1.0, [&] { ran = true; });
        scheduler.cancel(id);
        scheduler.cancel(12345); // unknown ids are ignored
        scheduler.advance(5.0);
        QVERIFY(!ran);
    }

    void instantRoundTripsThroughDateTime() {
        const QDateTime dt =
            QDateTime::fromString(QStringLiteral("2026-12-06T21:13:00.250Z"), Qt::ISODateWithMs);
        QVERIFY(dt.isValid());
        const Instant i = Instant::fromDateTime(dt);
        QCOMPARE(i.toDateTime(), dt);
        QCOMPARE(Instant::fromUnixSeconds(978307200.0).secondsSinceReference(), 0.0);
    }

    void userDefaultsRoundTripAndMissingKeys() {
        TestEnv env;
        UserDefaults defaults(env.path("defaults.ini"));
        QVERIFY(!defaults.string("themePalette"));
        defaults.setString("themePalette", "warmCream");
        defaults.setData("hotkeyConfig", QByteArray("{\"a\":1}"));
        UserDefaults again(env.path("defaults.ini"));
        QCOMPARE(again.string("themePalette").value_or(QString()), QStringLiteral("warmCream"));
        QCOMPARE(again.data("hotkeyConfig").value_or(QByteArray()), QByteArray("{\"a\":1}"));
        again.remove("themePalette");
        QVERIFY(!UserDefaults(env.path("defaults.ini")).string("themePalette"));
    }
};

QTEST_GUILESS_MAIN(TimeTest)
#include "tst_time.moc"
