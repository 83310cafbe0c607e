#include "LogCapture.h"
#include "StoreStack.h"
#include "clipboard/ContentHash.h"
#include "clipboard/ItemEncoding.h"
#include "core/ManualClock.h"
#include "store/RelativeTime.h"
#include "store/StatsService.h"
#include "store/StoreContainer.h"

#include <QTemporaryDir>
#include <QTest>

namespace {
using Kind = StatsService::Kind;

ClipboardItem imageOfEncodedSize(qint64 targetEncodedSize, char fill) {
    ClipboardItem item;
    item.kind = ClipboardKind::Image;
    // The encoding adds a small, fixed overhead around the PNG bytes: measure it once.
    item.imagePNG = Blob(QByteArray(targetEncodedSize - 200, fill));
    const qint64 overhead = ItemEncoding::encode(item).bytes.size() - (targetEncodedSize - 200);
    item.imagePNG = Blob(QByteArray(targetEncodedSize - overhead, fill));
    return item;
}

using Fixture = StoreStack;
} // namespace

class StatsServiceTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Copies of the same content share one stat; the ranking goes by count, then by recency.
    void copiesShareAStatAndAreRanked() {
        Fixture f;
        f.stats.recordCopy(ClipboardItem::makeText("a"), 0);
        f.clock.advance(1);
        const Instant first = f.clock.now();
        f.stats.recordCopy(ClipboardItem::makeText("b"), 1);
        f.clock.advance(30);
        f.stats.recordCopy(ClipboardItem::makeText("b"), 2);
        const Instant last = f.clock.now();
        f.clock.advance(1);
        f.stats.recordCopy(ClipboardItem::makeText("c"), 0);
        QCOMPARE(f.stats.total(Kind::Copy), 4);
        QCOMPARE(f.stats.count(Kind::Copy, 1), 1);
        QCOMPARE(f.stats.count(Kind::Copy, 2), 1);
        QCOMPARE(f.stats.revision(), 4);
        QStringList order;
        for (const auto& t : f.stats.topCopied(10)) {
            order << QStringLiteral("%1:%2:%3").arg(t.rank).arg(t.preview).arg(t.copyCount);
        }
        // b leads on count; c and a tie and the more recent c comes first.
        QCOMPARE(order, QStringList({"1:b:2", "2:c:1", "3:a:1"}));
        QCOMPARE(f.stats.topCopied(2).size(), 2);
        QVERIFY(f.stats.topCopied(0).isEmpty());

        const auto top = f.stats.topCopied(1)[0];
        QCOMPARE(top.id, ContentHash::canonical(ClipboardItem::makeText("b")));
        QCOMPARE(top.lastCopiedAt, last);
        QCOMPARE(f.container->db().queryInt(
                     QStringLiteral("SELECT CAST(first_copied_at AS INTEGER) FROM content_stat "
                                    "WHERE content_hash = '%1'")
                         .arg(top.id)),
                 std::optional<qint64>(static_cast<qint64>(first.secondsSinceReference())));
        QCOMPARE(f.stats.loadableItem(top.id)->text, std::optional<QString>("b"));
    }

    void reloadableLimitInBothDirections() {
        Fixture f;
        const ClipboardItem big = imageOfEncodedSize(600000, 'x');
        f.stats.recordCopy(big, 4);
        const QString hash = ContentHash::canonical(big);
        auto top = f.stats.topCopied(10);
        QCOMPARE(top.size(), 1);
        QVERIFY(!top[0].loadable);
        QVERIFY(!top[0].imagePNG);
        QVERIFY(!f.stats.loadableItem(hash));

        // Exactly at the limit fits.
        const ClipboardItem edge = imageOfEncodedSize(StatsService::reloadableLimit, 'y');
        QCOMPARE(qint64(ItemEncoding::encode(edge).bytes.size()), StatsService::reloadableLimit);
        f.stats.recordCopy(edge, 5);
        const ClipboardItem over = imageOfEncodedSize(StatsService::reloadableLimit + 1, 'z');
        QCOMPARE(qint64(ItemEncoding::encode(over).bytes.size()),
                 StatsService::reloadableLimit + 1);
        f.stats.recordCopy(over, 5);
        QVERIFY(f.stats.loadableItem(ContentHash::canonical(edge)));
        QVERIFY(!f.stats.loadableItem(ContentHash::canonical(over)));

        // A stat becomes loadable once a copy of the same content fits (here: same content,
        // but the stored copy changes with it); a later copy that does not fit keeps it.
        ClipboardItem small = ClipboardItem::makeText("fits");
        small.sourceBundleID = "first";
        f.stats.recordCopy(small, 1);
        ClipboardItem newer = small;
        newer.sourceBundleID = "second";
        f.stats.recordCopy(newer, 1);
        QCOMPARE(f.stats.loadableItem(ContentHash::canonical(small))->sourceBundleID,
                 std::optional<QString>("second"));

        QVERIFY(f.container->db().run("UPDATE content_stat SET loadable = 0, item_data = x'' "
                                      "WHERE content_hash = ?",
                                      {ContentHash::canonical(small)}));
        f.stats.recordCopy(small, 1);
        QCOMPARE(f.stats.loadableItem(ContentHash::canonical(small))->sourceBundleID,
                 std::optional<QString>("first"));

        // An image that fits carries its PNG in the ranking.
        ClipboardItem png;
        png.kind = ClipboardKind::Image;
        png.imagePNG = Blob(QByteArray("png-bytes"));
        for (int i = 0; i < 5; ++i) {
            f.stats.recordCopy(png, 7);
        }
        top = f.stats.topCopied(1);
        QCOMPARE(top[0].imagePNG->bytes(), QByteArray("png-bytes"));
        QCOMPARE(top[0].kind, ClipboardKind::Image);
        // Unknown stored kinds read as text; undecodable data reads as absent.
        QVERIFY(f.container->db().run("UPDATE content_stat SET kind = 'video', item_data = x'00'"
                                      " WHERE content_hash = ?",
                                      {ContentHash::canonical(png)}));
        top = f.stats.topCopied(1);
        QCOMPARE(top[0].kind, ClipboardKind::Text);
        QVERIFY(!f.stats.loadableItem(ContentHash::canonical(png)));
    }

    void previewsAreKeptCut() {
        Fixture f;
        const QString long1 = QStringLiteral(" \n") + QString(600000, u'a') + u'\n';
        const ClipboardItem big = ClipboardItem::makeText(long1);
        f.stats.recordCopy(big, 2);
        f.stats.recordCopy(big, 3);
        const QString cut = big.boundedPreview(StatsService::previewLimit);
        QCOMPARE(cut.size(), StatsService::previewLimit + 1);
        QCOMPARE(
            f.container->db().queryInt("SELECT length(preview) FROM content_stat").value_or(-1),
            qint64{StatsService::previewLimit + 1});
        auto top = f.stats.topCopied(10);
        QCOMPARE(top.size(), 1);
        QCOMPARE(top[0].preview, cut);
        QCOMPARE(top[0].copyCount, 2);
        QVERIFY(!top[0].loadable);
        QVERIFY(!f.stats.loadableItem(ContentHash::canonical(big)));

        // A preview kept whole by an older version reads cut the same way.
        QVERIFY(f.container->db().run("UPDATE content_stat SET preview = ?",
                                      {big.preview() + QStringLiteral("b")}));
        top = f.stats.topCopied(10);
        QCOMPARE(top[0].preview, cut);
        // A short one is kept as it is.
        const ClipboardItem small = ClipboardItem::makeText(QStringLiteral(" short\n text "));
        f.stats.recordCopy(small, 1);
        QCOMPARE(f.stats.topCopied(10)[1].preview, small.preview());
        QCOMPARE(small.preview(), QStringLiteral("short  text"));
    }

    void perSlotCountsSortStably() {
        Fixture f;
        for (int slot : {3, 1, 7, 3, 7, 1, 7, 7, 7}) {
            f.stats.record(Kind::Paste, slot);
        }
        f.stats.record(Kind::Paste, std::nullopt);
        f.stats.record(Kind::Copy, 9);
        const QList<std::pair<int, qint64>> expected{{7, 5}, {1, 2}, {3, 2}};
        QCOMPARE(f.stats.bySlot(Kind::Paste), expected);
        QCOMPARE(f.stats.total(Kind::Paste), 10);
        QCOMPARE(f.stats.count(Kind::Paste, -1), 1);
        QCOMPARE(f.stats.total(Kind::Copy), 1);
        QVERIFY(Fixture().stats.bySlot(Kind::Paste).isEmpty());
    }

    void countsSurviveReopenAndAreRebuiltWhenMissing() {
        QTemporaryDir dir;
        const QString path = dir.filePath("Store.sqlite");
        ManualClock clock;
        {
            auto container = StoreContainer::make(false, path, nullptr);
            StatsService stats(*container, clock);
            stats.record(Kind::Paste, 2);
            stats.record(Kind::Paste, 2);
            // An older store without the counts table: rebuilt from the events at open.
            QVERIFY(container->db().exec("DROP TABLE event_count"));
        }
        auto container = StoreContainer::make(false, path, nullptr);
        StatsService stats(*container, clock);
        QCOMPARE(stats.count(Kind::Paste, 2), 2);
        stats.record(Kind::Paste, 2);
        QCOMPARE(stats.total(Kind::Paste), 3);
    }

    void failedSavesAreLoggedAndRevisionHolds() {
        Fixture f;
        f.container->setSaveFailure(QStringLiteral("no space"));
        LogCapture log;
        f.stats.recordCopy(ClipboardItem::makeText("x"), 1);
        QVERIFY(log.contains("io.stashwick.store", "stats save failed: no space"));
        QCOMPARE(f.stats.revision(), 0);
        QCOMPARE(f.stats.total(Kind::Copy), 1); // pending, visible in this run
    }

    void relativeTimeBoundaries() {
        const Instant t(1000000.0);
        auto at = [&](double s) { return RelativeTime::string(t, t + s); };
        QCOMPARE(at(59.9), QStringLiteral("just now"));
        QCOMPARE(at(-5), QStringLiteral("just now"));
        QCOMPARE(at(60), QStringLiteral("1m ago"));
        QCOMPARE(at(3599), QStringLiteral("59m ago"));
        QCOMPARE(at(3600), QStringLiteral("1h ago"));
        QCOMPARE(at(86399), QStringLiteral("23h ago"));
        QCOMPARE(at(86400), QStringLiteral("1d ago"));
        QCOMPARE(at(2591999), QStringLiteral("29d ago"));
        QCOMPARE(at(2592000), QStringLiteral("1 month ago"));
        QCOMPARE(at(5184000), QStringLiteral("2 months ago"));
        QCOMPARE(at(31535999), QStringLiteral("12 months ago"));
        QCOMPARE(at(31536000), QStringLiteral("1 year ago"));
        QCOMPARE(at(3 * 31536000.0), QStringLiteral("3 years ago"));
        QCOMPARE(RelativeTime::string(Instant(NAN), t), QStringLiteral("just now"));
    }
};

QTEST_GUILESS_MAIN(StatsServiceTest)
#include "tst_statsservice.moc"
