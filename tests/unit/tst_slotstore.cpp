#include "TestItems.h"
#include "clipboard/ItemEncoding.h"
#include "core/ManualClock.h"
#include "store/SlotStore.h"
#include "store/StoreContainer.h"
#include "store/StoredItem.h"

#include <QSignalSpy>
#include <QTest>

namespace {

ClipboardItem text(const QString& t) {
    return ClipboardItem::makeText(t);
}

using TestItems::files;
using TestItems::image;
using TestItems::rich;

QStringList previews(const QList<SlotStore::HistoryEntry>& entries) {
    QStringList out;
    for (const auto& e : entries) {
        out << e.item.preview();
    }
    return out;
}

struct Fixture {
    Fixture()
        : container(StoreContainer::make(true, std::nullopt, nullptr)), slots(*container, clock) {}
    qint64 rows(const char* table) {
        return container->db()
            .queryInt(QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(table)))
            .value_or(-1);
    }
    // Rows written behind the store's back, as a damaged or foreign file holds them.
    void insertHistory(const QByteArray& data) {
        QVERIFY(container->db().run(
            "INSERT INTO history_record (id, captured_at, item_data) VALUES (?, ?, ?)",
            {QUuid::createUuid().toString(QUuid::WithoutBraces),
             clock.now().secondsSinceReference(), data}));
    }
    void insertSlot(int index, bool pinned, const QByteArray& data) {
        QVERIFY(container->db().run("INSERT INTO slot_record (slot_index, pinned, updated_at, "
                                    "item_data) VALUES (?, ?, 0, ?)",
                                    {index, pinned ? 1 : 0, data}));
    }
    QString slotText(int index) {
        return slots.item(index).value_or(text("(empty)")).text.value_or("(no text)");
    }
    ManualClock clock;
    std::unique_ptr<StoreContainer> container;
    SlotStore slots;
};

} // namespace

class SlotStoreTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void slotsHoldItemsAndPins() {
        Fixture f;
        QSignalSpy spy(&f.slots, &SlotStore::revisionChanged);
        QCOMPARE(f.slots.allItems().size(), std::size_t{10});
        QVERIFY(!f.slots.item(3));

        f.slots.setItem(text("three"), 3);
        QCOMPARE(f.slotText(3), "three");
        QCOMPARE(f.slots.revision(), 1);
        QCOMPARE(spy.count(), 1);

        // Pinning an empty slot does nothing and saves nothing.
        f.slots.togglePinned(5);
        QVERIFY(!f.slots.isPinned(5));
        QCOMPARE(f.slots.revision(), 1);

        // setItem keeps the pin and refreshes updatedAt.
        f.slots.togglePinned(3);
        QVERIFY(f.slots.isPinned(3));
        f.clock.advance(60);
        f.slots.setItem(text("three again"), 3);
        QVERIFY(f.slots.isPinned(3));
        QCOMPARE(f.container->db().queryInt("SELECT CAST(updated_at AS INTEGER) FROM slot_record"),
                 std::optional<qint64>(static_cast<qint64>(f.clock.now().secondsSinceReference())));
        QCOMPARE(f.rows("slot_record"), 1);

        const auto all = f.slots.allItems();
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(bool(all[static_cast<std::size_t>(i)]), i == 3);
        }

        f.slots.clear(3); // pinned or not
        QVERIFY(!f.slots.item(3));
        int rev = f.slots.revision();
        f.slots.clear(3);
        QCOMPARE(f.slots.revision(), rev);

        // Clearing the unpinned slots keeps the pinned ones and saves only on a change.
        f.slots.setItem(text("pinned"), 0);
        f.slots.togglePinned(0);
        rev = f.slots.revision();
        f.slots.clearAllUnpinned();
        QCOMPARE(f.slots.revision(), rev);
        f.slots.setItem(text("loose"), 9);
        f.slots.setItem(text("loose too"), 2);
        f.slots.clearAllUnpinned();
        QCOMPARE(f.slots.revision(), rev + 3);
        QVERIFY(f.slots.item(0));
        QVERIFY(!f.slots.item(9));
        QVERIFY(!f.slots.item(2));
    }

    void moveSwapsItemsWithTheirPins() {
        Fixture f;
        f.slots.setItem(text("A"), 3);
        f.slots.togglePinned(3);
        f.slots.move(3, 7);
        QVERIFY(!f.slots.item(3));
        QVERIFY(!f.slots.isPinned(3));
        QCOMPARE(f.slotText(7), "A");
        QVERIFY(f.slots.isPinned(7));

        f.slots.setItem(text("B"), 1);
        f.slots.move(7, 1);
        QCOMPARE(f.slotText(1), "A");
        QVERIFY(f.slots.isPinned(1));
        QCOMPARE(f.slotText(7), "B");
        QVERIFY(!f.slots.isPinned(7));

        const int rev = f.slots.revision();
        f.slots.move(5, 5);
        f.slots.move(-1, 2);
        f.slots.move(2, 10);
        f.slots.move(4, 6); // both empty
        QCOMPARE(f.slots.revision(), rev);
        QCOMPARE(f.rows("slot_record"), 2);
    }

    void historyDropsOnlyImmediateRepeats() {
        Fixture f;
        f.slots.addHistory(text("A"));
        f.slots.addHistory(text("A"));
        QCOMPARE(f.slots.recentHistory(200).size(), 1);
        f.slots.addHistory(text("B"));
        f.clock.advance(1);
        ClipboardItem again = text("A");
        again.sourceBundleID = "elsewhere";
        again.createdAt = Instant(5);
        f.slots.addHistory(again);
        f.slots.addHistory(text("A")); // repeat of the newest despite other time and source
        QCOMPARE(previews(f.slots.recentHistoryEntries(200)), QStringList({"A", "B", "A"}));
        QCOMPARE(f.slots.revision(), 3);
    }

    // The newest entry is compared where it is stored, flavour by flavour and whatever the
    // sizes: only an exact repeat is dropped, whatever differs (a character, a byte, a file, a
    // flavour left out or left empty).
    void historyRepeatsAreFoundInEveryFlavour() {
        const ClipboardItem wide = text(QStringLiteral("Grüße \U0001F600 ") + QString(70000, 'w'));
        ClipboardItem wideChanged = wide;
        (*wideChanged.text)[2] = QChar(0xE9);
        const ClipboardItem big = text(QString(100000, u'q'));
        const ClipboardItem bigChanged = text(QString(99999, u'q') + u'r');
        ClipboardItem emptyHtml = bigChanged;
        emptyHtml.html = QString();
        const ClipboardItem styled = rich("r", "<b>r</b>", QByteArray(100000, 'f'));
        ClipboardItem otherHtml = styled;
        otherHtml.html = "<i>r</i>";
        ClipboardItem otherRtf = styled;
        (*otherRtf.rtf)[99999] = 'g';
        ClipboardItem noRtf = styled;
        noRtf.rtf.reset();
        const ClipboardItem pair = files({"/tmp/a", "/tmp/b"});
        const ClipboardItem otherPair = files({"/tmp/a", "/tmp/c"});
        const ClipboardItem picture = image(QByteArray(5000, 'p'));
        const ClipboardItem otherPicture = image(QByteArray(4999, 'p') + 'q');
        const ClipboardItem captioned = image(QByteArray(5000, 'p'), "caption");
        const struct {
            ClipboardItem first;
            ClipboardItem second;
            qint64 entries;
        } cases[] = {
            {wide, wide, 1},         {wide, wideChanged, 2},     {big, big, 1},
            {big, bigChanged, 2},    {bigChanged, emptyHtml, 2}, {text("abc"), text("abd"), 2},
            {styled, styled, 1},     {styled, otherHtml, 2},     {styled, otherRtf, 2},
            {styled, noRtf, 2},      {text("r"), styled, 2},     {pair, pair, 1},
            {pair, otherPair, 2},    {picture, picture, 1},      {picture, otherPicture, 2},
            {picture, captioned, 2},
        };
        for (const auto& [first, second, entries] : cases) {
            Fixture f;
            f.slots.addHistory(first);
            f.slots.addHistory(second);
            QVERIFY2(f.slots.historyCount() == entries, qPrintable(second.preview().left(20)));
        }
    }

    void historyKeepsTheNewest200() {
        Fixture f;
        for (int i = 0; i < 201; ++i) {
            f.clock.advance(1);
            f.slots.addHistory(text(QString::number(i)));
        }
        const auto entries = f.slots.recentHistoryEntries(500);
        QCOMPARE(entries.size(), 200);
        QCOMPARE(entries.first().item.preview(), QStringLiteral("200"));
        QCOMPARE(entries.last().item.preview(), QStringLiteral("1"));
        QCOMPARE(f.rows("history_record"), 200);
        QVERIFY(entries.first().capturedAt > entries.last().capturedAt);
        QCOMPARE(f.slots.recentHistory(3).size(), 3);
        QVERIFY(f.slots.recentHistory(0).isEmpty());
        QVERIFY(f.slots.recentHistory(-1).isEmpty());

        f.slots.deleteHistory(entries.first().id);
        QCOMPARE(f.slots.recentHistory(1).first().text, std::optional<QString>("199"));
        const int rev = f.slots.revision();
        f.slots.deleteHistory(QUuid::createUuid());
        QCOMPARE(f.slots.revision(), rev);
    }

    void searchNormalisesTheQueryAndLooksAtPreviewsOnly() {
        Fixture f;
        f.slots.addHistory(text("a foobar"));
        f.slots.addHistory(image("foo-png-bytes"));
        f.slots.addHistory(rich("plain words", "<i>foo</i>", std::nullopt));
        f.slots.addHistory(files({"/home/u/FOOD.txt"}));

        QCOMPARE(previews(f.slots.searchHistory(" Foo\n", 200)),
                 QStringList({"FOOD.txt", "a foobar"}));
        QCOMPARE(previews(f.slots.searchHistory("IMAG", 200)), QStringList({"Image"}));
        QCOMPARE(f.slots.searchHistory("  ", 200).size(), 4);
        // Never beyond the newest `limit` entries.
        QCOMPARE(previews(f.slots.searchHistory("foo", 1)), QStringList({"FOOD.txt"}));
    }

    void undecodableRowsAreSkippedNotRepaired() {
        Fixture f;
        f.slots.addHistory(text("good"));
        f.clock.advance(1);
        f.insertHistory("bplist00 definitely not");
        QCOMPARE(previews(f.slots.recentHistoryEntries(10)), QStringList({"good"}));
        // The broken row still counts against the limit.
        QVERIFY(f.slots.recentHistory(1).isEmpty());
        // The newest row does not decode, so "good" is not the newest: it is added again.
        f.clock.advance(1);
        f.slots.addHistory(text("good"));
        QCOMPARE(previews(f.slots.recentHistoryEntries(10)), QStringList({"good", "good"}));
        QCOMPARE(f.rows("history_record"), 3);

        f.insertSlot(4, true, "junk");
        QVERIFY(!f.slots.item(4));
        QVERIFY(!f.slots.allItems()[4]);
        QVERIFY(f.slots.isPinned(4));
        QCOMPARE(f.rows("slot_record"), 1);
        f.slots.setItem(text("fixed by the user"), 4);
        QCOMPARE(f.slotText(4), "fixed by the user");
    }

    void imagesAreStoredExactlyAndListedWithoutLoading() {
        Fixture f;
        QByteArray png(300000, '\0');
        for (int i = 0; i < png.size(); ++i) {
            png[i] = static_cast<char>((i * 31) & 0xFF);
        }
        const ClipboardItem item = image(png, "caption");
        f.slots.addHistory(item);
        f.slots.setItem(item, 6);

        // The columns join back to exactly the item's encoding.
        SqliteStatement s =
            f.container->db().prepare("SELECT item_data, png_at, png FROM history_record");
        QCOMPARE(s.step(), SqliteStatement::Step::Row);
        const StoredItem stored{s.blob(0), s.int64(1), s.blob(2)};
        QCOMPARE(stored.itemData(), ItemEncoding::encode(item).bytes);
        QVERIFY(stored.head.size() < 200);

        const auto entries = f.slots.recentHistoryEntries(10);
        QCOMPARE(entries.size(), 1);
        QVERIFY(entries.first().item.imagePNG->isDeferred());
        QCOMPARE(entries.first().item.imagePNG->size(), png.size());
        QCOMPARE(entries.first().item, item);
        QCOMPARE(f.slots.item(6), std::optional<ClipboardItem>(item));
        QVERIFY(!f.slots.item(6)->imagePNG->isDeferred());

        // Same image again is a repeat; a different image of the same size is not.
        f.slots.addHistory(item);
        QByteArray other = png;
        other[150000] = 'x';
        f.slots.addHistory(image(other, "caption"));
        QCOMPARE(f.rows("history_record"), 2);

        // Slots are listed the same way; paste reads the full item.
        const auto listed = f.slots.allItems()[6];
        QVERIFY(listed->imagePNG->isDeferred());
        QCOMPARE(listed->imagePNG->bytes(), png);

        // A deferred image whose row is gone loads nothing, and is not stored as an empty image.
        f.slots.deleteHistory(entries.first().id);
        QVERIFY(entries.first().item.imagePNG->bytes().isEmpty());
        const int revision = f.slots.revision();
        QVERIFY(!f.slots.setItem(entries.first().item, 7));
        QVERIFY(!f.slots.item(7));
        QCOMPARE(f.slots.revision(), revision);
        // Nor is a listed slot image once the slot has changed since.
        f.slots.setItem(text("replaced"), 6);
        QVERIFY(!f.slots.setItem(*listed, 8));
    }

    void summariesMatchTheDecodedItems() {
        Fixture f;
        QString lines;
        for (int i = 0; i < 4000; ++i) {
            lines += QStringLiteral("  line %1\n").arg(i);
        }
        const QList<ClipboardItem> table{
            text(QStringLiteral("abc")),
            text(lines),
            rich(QStringLiteral("\n rich ") + lines, "<p>rich</p>", QByteArray("{\\rtf1 rich}")),
            files({QStringLiteral("/tmp/a.txt"), QStringLiteral("/home/u/report.pdf")}),
            image(QByteArray(70000, 'p'), lines),
            ClipboardItem()};
        for (int i = 0; i < table.size(); ++i) {
            QVERIFY(f.slots.setItem(table[i], i));
            f.clock.advance(1);
            f.slots.addHistory(table[i]);
        }
        // Rows that do not decode: in a slot and as the newest history entry.
        f.insertSlot(8, false, "junk");
        f.clock.advance(1);
        f.insertHistory(ItemEncoding::encode(table[1]).bytes.left(9));

        for (qsizetype limit : {0, 3, 100, 10000}) {
            const auto items = f.slots.allItems();
            const auto summaries = f.slots.slotSummaries(limit);
            for (std::size_t i = 0; i < items.size(); ++i) {
                QCOMPARE(summaries[i].has_value(), items[i].has_value());
                if (items[i]) {
                    QCOMPARE(summaries[i]->kind, items[i]->kind);
                    QCOMPARE(summaries[i]->preview, items[i]->boundedPreview(limit));
                    QVERIFY(summaries[i]->sizes == ItemSummary::sizesOf(*items[i]));
                }
            }
            QVERIFY(!summaries[8]);
            const auto entries = f.slots.recentHistoryEntries(20);
            const auto listed = f.slots.recentHistorySummaries(20, limit);
            QCOMPARE(listed.size(), table.size());
            QCOMPARE(listed.size(), entries.size());
            for (qsizetype i = 0; i < listed.size(); ++i) {
                QCOMPARE(listed[i].id, entries[i].id);
                QCOMPARE(listed[i].capturedAt, entries[i].capturedAt);
                QCOMPARE(listed[i].summary.kind, entries[i].item.kind);
                QCOMPARE(listed[i].summary.preview, entries[i].item.boundedPreview(limit));
            }
        }
    }

    void unpairedSurrogatesReadBackAsReplacementCharacters() {
        Fixture f;
        const QString lone =
            QStringLiteral("a") + QChar(0xD83D) + QStringLiteral("b") + QChar(0xDE00);
        QVERIFY(f.slots.setItem(text(lone), 1));
        QCOMPARE(f.slotText(1), QStringLiteral("a\uFFFDb\uFFFD"));
        f.slots.addHistory(text(lone));
        QCOMPARE(f.slots.recentHistory(5).size(), 1);
    }
};

QTEST_GUILESS_MAIN(SlotStoreTest)
#include "tst_slotstore.moc"
