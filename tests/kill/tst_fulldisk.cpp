// The store on a real full disk (a small tmpfs): large captures wait in bounded memory and
// stay visible, a little freed space lets saving resume, and nothing waiting is lost.
#include "SmallDisk.h"
#include "core/ManualClock.h"
#include "platform/glibc/MemoryTuning.h"
#include "store/SlotStore.h"
#include "store/StatsService.h"
#include "store/StoreContainer.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QTest>

namespace {

qint64 residentBytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        qFatal("cannot read /proc/self/status");
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
        }
    }
    return 0;
}

ClipboardItem noiseImage(QRandomGenerator& rng, qsizetype bytes) {
    QByteArray png(bytes, Qt::Uninitialized);
    rng.fillRange(reinterpret_cast<quint32*>(png.data()), bytes / 4);
    ClipboardItem item;
    item.kind = ClipboardKind::Image;
    item.imagePNG = Blob(png);
    return item;
}

} // namespace

class FullDiskTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void largeCapturesWaitBoundedAndSavingResumes() {
        SmallDisk disk(QStringLiteral("96m"));
        if (!disk.isMounted()) {
            QSKIP("needs root to mount a small tmpfs");
        }
        // As in the program: freed images go back to the system, so growth is what is held.
        MemoryTuning::returnLargeBlocksToTheSystem();
        const QString path = disk.path(QStringLiteral("Store.sqlite"));
        QString error;
        auto container = StoreContainer::make(false, path, &error);
        QVERIFY2(container, qPrintable(error));
        ManualClock clock;
        SlotStore slots(*container, clock);
        StatsService stats(*container, clock);
        disk.fill();

        // 80 captures of 2.4 MB images into slot 0, as the copy chord makes them.
        QRandomGenerator rng(18);
        const qint64 before = residentBytes();
        int pending = 0;
        int refused = 0;
        std::optional<ClipboardItem> lastKept;
        int historyKept = 0;
        for (int i = 0; i < 80; ++i) {
            clock.advance(1);
            const ClipboardItem image = noiseImage(rng, 2'400'000);
            const StoreWrite slot = slots.setItem(image, 0);
            QVERIFY(slot.status != StoreWrite::Status::Saved);
            if (slot.status == StoreWrite::Status::Refused) {
                ++refused;
                QVERIFY(slot.reason.contains(QStringLiteral("unsaved changes are waiting")));
                continue;
            }
            ++pending;
            QVERIFY(!slot.reason.isEmpty());
            lastKept = image;
            if (slots.recordHistory(image).status == StoreWrite::Status::Pending) {
                ++historyKept;
            }
            stats.recordCopy(image, 0);
            QVERIFY2(container->pendingMemory() <= StoreContainer::maxPendingBytes,
                     qPrintable(QString::number(container->pendingMemory())));
        }
        const qint64 grown = residentBytes() - before;
        qInfo("80 captures of 2.4 MB on a full disk: %d waiting, %d refused; waiting changes "
              "hold %.1f MB (bound %.0f MB); the process grew by %.1f MB",
              pending, refused, container->pendingMemory() / 1048576.0,
              StoreContainer::maxPendingBytes / 1048576.0, grown / 1048576.0);
        QVERIFY(pending >= 5);
        QVERIFY(refused >= 1);
        // What waits is what reads see: one record in the slot, the newest kept image.
        QVERIFY(lastKept);
        const auto inSlot = slots.item(0);
        QVERIFY(inSlot && inSlot->imagePNG);
        QCOMPARE(inSlot->imagePNG->bytes(), lastKept->imagePNG->bytes());
        QCOMPARE(slots.historyCount(), historyKept);

        // Give space back a megabyte at a time until a save commits something; a failed
        // attempt leaves the space it tried to use free.
        const std::size_t waiting = container->pendingCount();
        qint64 released = 0;
        while (container->pendingCount() == waiting && released < 40 * 1048576) {
            disk.release(1048576);
            released += 1048576;
            container->saveLogged(QStringLiteral("save failed"));
            if (container->pendingCount() == waiting) {
                QVERIFY2(disk.freeBytes() >= released / 2,
                         "a failed save kept the space it tried to use");
            }
        }
        qInfo("saving resumed once %.0f MB were free", released / 1048576.0);
        QVERIFY(container->pendingCount() < waiting);
        QVERIFY(released <= 20 * 1048576);

        // With room again, everything that waited is saved, in order.
        disk.releaseAll();
        for (int i = 0; i < 10 && container->hasPendingChanges(); ++i) {
            container->saveLogged(QStringLiteral("save failed"));
        }
        QVERIFY(!container->hasPendingChanges());
        QVERIFY(!container->isBehind());
        auto reader = SqliteDatabase::open(path, SqliteDatabase::Mode::ReadWrite, nullptr);
        QCOMPARE(reader->queryInt("SELECT count(*) FROM slot_record"), std::optional<qint64>(1));
        QCOMPARE(reader->queryInt("SELECT count(*) FROM history_record"),
                 std::optional<qint64>(historyKept));
        QCOMPARE(slots.item(0)->imagePNG->bytes(), lastKept->imagePNG->bytes());
        QCOMPARE(stats.total(StatsService::Kind::Copy), pending);
    }
};

QTEST_GUILESS_MAIN(FullDiskTest)
#include "tst_fulldisk.moc"
