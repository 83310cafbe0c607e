// Statistics at scale: a store with 1,000,000 events and 100,000 content statistics, and the
// time of the queries the Stats tab and the automation dump make, and of recording a copy.
#include "BenchUtil.h"
#include "core/SystemClock.h"
#include "store/SqliteTransaction.h"
#include "store/StatsService.h"
#include "store/StoreContainer.h"
#include "store/StoredItem.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QUuid>

int main() {
    QTemporaryDir dir;
    QString error;
    auto container = StoreContainer::make(false, dir.filePath("Store.sqlite"), &error);
    SystemClock clock;
    StatsService stats(*container, clock);
    SqliteDatabase& db = container->db();

    QElapsedTimer setup;
    setup.start();
    {
        SqliteTransaction tx(db);
        QRandomGenerator rng(1);
        SqliteStatement ev =
            db.prepare("INSERT INTO event_record (id, slot_index, kind, at) VALUES (?, ?, ?, ?)");
        for (int i = 0; i < 1000000; ++i) {
            ev.bind(1, QUuid::createUuid().toString(QUuid::WithoutBraces));
            ev.bind(2, qint64{static_cast<int>(rng.bounded(11)) - 1});
            ev.bind(3, i % 3 == 0 ? QStringLiteral("paste") : QStringLiteral("copy"));
            ev.bind(4, 700000000.0 + i);
            ev.step();
            ev.reset();
        }
        SqliteStatement st = db.prepare(
            "INSERT INTO content_stat (content_hash, kind, preview, loadable, copy_count, "
            "first_copied_at, last_copied_at, item_data, png_at, png) "
            "VALUES (?, 'text', ?, 1, ?, ?, ?, ?, NULL, NULL)");
        for (int i = 0; i < 100000; ++i) {
            const ClipboardItem item = ClipboardItem::makeText(QStringLiteral("content %1").arg(i));
            st.bind(1, QString::number(i, 16).rightJustified(64, QLatin1Char('0')));
            st.bind(2, item.preview());
            st.bind(3, qint64{1 + static_cast<int>(rng.bounded(500))});
            st.bind(4, 700000000.0 + i);
            st.bind(5, 700000000.0 + i * 2);
            st.bind(6, StoredItem::from(item)->head);
            st.step();
            st.reset();
        }
        tx.commit();
    }
    BenchUtil::report("setup (1,000,000 events, 100,000 stats)",
                      static_cast<double>(setup.elapsed()), "ms");
    BenchUtil::report(
        "events in store",
        static_cast<double>(db.queryInt("SELECT count(*) FROM event_record").value_or(-1)), "");

    qint64 sink = 0;
    BenchUtil::report(
        "total(copy), median of 50",
        BenchUtil::medianMs(50, [&] { sink += stats.total(StatsService::Kind::Copy); }), "ms");
    BenchUtil::report(
        "bySlot(paste) (ten counts), median of 50",
        BenchUtil::medianMs(50, [&] { sink += stats.bySlot(StatsService::Kind::Paste).size(); }),
        "ms");
    BenchUtil::report("topCopied(limit: 10), median of 50",
                      BenchUtil::medianMs(50, [&] { sink += stats.topCopied(10).size(); }), "ms");
    int n = 0;
    BenchUtil::report("recordCopy(text), median of 50",
                      BenchUtil::medianMs(50,
                                          [&] {
                                              stats.recordCopy(
                                                  ClipboardItem::makeText(
                                                      QStringLiteral("fresh %1").arg(n++ % 7)),
                                                  3);
                                          }),
                      "ms");
    BenchUtil::report("  (checksum)", static_cast<double>(sink % 1000), "");
    return 0;
}
