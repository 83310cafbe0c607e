// Kills a writing process with SIGKILL at random points and checks that the store still
// opens and holds every change that was reported saved before the kill.
#include "TestEnv.h"
#include "core/ManualClock.h"
#include "store/SlotStore.h"
#include "store/StoreContainer.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

class KillSafetyTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void killedWriterNeverLosesSavedChanges() {
        TestEnv env;
        const QString store = env.path("Store.sqlite");
        QRandomGenerator rng(20261206);
        long long next = 0;
        for (int round = 0; round < 30; ++round) {
            QProcess writer;
            writer.start(QStringLiteral(STORE_WRITER), {store, QString::number(next)});
            QVERIFY(writer.waitForStarted());
            const int target = static_cast<int>(rng.bounded(1, 60));
            long long lastSlot[10];
            std::fill(std::begin(lastSlot), std::end(lastSlot), -1LL);
            long long lastHistory = -1;
            int seen = 0;
            QByteArray pending;
            while (seen < target) {
                QVERIFY2(writer.waitForReadyRead(10000), "writer stopped reporting");
                pending += writer.readAllStandardOutput();
                qsizetype nl;
                while ((nl = pending.indexOf('\n')) >= 0) {
                    const QList<QByteArray> parts = pending.left(nl).split(' ');
                    pending.remove(0, nl + 1);
                    const long long n = parts.value(1).toLongLong();
                    if (parts.value(0) == "S") {
                        lastSlot[n % 10] = n;
                    } else {
                        lastHistory = n;
                    }
                    next = std::max(next, n + 1);
                    ++seen;
                }
            }
            writer.kill(); // SIGKILL, wherever it is
            QVERIFY(writer.waitForFinished());

            QString error;
            auto container = StoreContainer::make(false, store, &error);
            QVERIFY2(container, qPrintable(error));
            ManualClock clock;
            SlotStore slots(*container, clock);
            for (int s = 0; s < 10; ++s) {
                if (lastSlot[s] < 0) {
                    continue;
                }
                const auto item = slots.item(s);
                QVERIFY(item);
                const long long stored = item->text->section(' ', 1).toLongLong();
                QVERIFY2(stored >= lastSlot[s], qPrintable(QStringLiteral("slot %1").arg(s)));
            }
            if (lastHistory >= 0) {
                const auto newest = slots.recentHistory(1);
                QCOMPARE(newest.size(), 1);
                QVERIFY(newest.first().text->section(' ', 1).toLongLong() >= lastHistory);
            }
            next += 1;
        }
    }
};

QTEST_GUILESS_MAIN(KillSafetyTest)
#include "tst_killsafety.moc"
