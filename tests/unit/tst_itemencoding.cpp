#include "RawPlist.h"
#include "clipboard/BinaryPlistReader.h"
#include "clipboard/ByteSource.h"
#include "clipboard/ItemEncoding.h"

#include <QTest>
#include <cmath>
#include <cstring>

namespace {

ClipboardItem fullItem() {
    ClipboardItem item;
    item.kind = ClipboardKind::RichText;
    item.text =
        QString::fromUtf8("Grüße 👋🏽 and a NUL ") + QChar(0) + QStringLiteral(" inside");
    item.rtf = QByteArray("{\\rtf1\\ansi hi}\0\xff", 17);
    item.html = QStringLiteral("<b>hi</b>");
    item.imagePNG = Blob(QByteArray("\x89PNG\r\n\x1a\n-bytes", 14));
    item.files = {QStringLiteral("/tmp/a b.txt"), QStringLiteral("/home/ü/ß.pdf")};
    item.createdAt = Instant(786543210.123456789);
    item.sourceBundleID = QStringLiteral("org.example.editor");
    return item;
}

// Bytes in memory read as a ByteSource, counting what is read.
class CountingSource : public ByteSource {
public:
    explicit CountingSource(QByteArray bytes) : m_bytes(std::move(bytes)) {}
    qint64 size() const override { return m_bytes.size(); }
    bool read(qint64 offset, qint64 length, char* out) const override {
        if (offset < 0 || length < 0 || offset + length > m_bytes.size()) {
            return false;
        }
        std::memcpy(out, m_bytes.constData() + offset, static_cast<std::size_t>(length));
        m_read += length;
        return true;
    }
    qint64 bytesRead() const { return m_read; }

private:
    QByteArray m_bytes;
    mutable qint64 m_read = 0;
};

ClipboardItem textItem(ClipboardKind kind, const QString& text) {
    ClipboardItem item = ClipboardItem::makeText(text);
    item.kind = kind;
    return item;
}

// What a summary must come to: the kind, boundedPreview and sizes of the decoded item.
ItemSummary expectedSummary(const ClipboardItem& item, qsizetype limit) {
    return ItemSummary{item.kind, item.boundedPreview(limit), ItemSummary::sizesOf(item)};
}

bool same(const std::optional<ItemSummary>& a, const ItemSummary& b) {
    return a && a->kind == b.kind && a->preview == b.preview && a->sizes == b.sizes;
}

// Items whose summaries are compared with their decoded previews: ordinary ones and those
// that reach the edges of the piecewise reading (pieces of 32,768 characters).
QList<ClipboardItem> summaryTable() {
    QString lines;
    for (int i = 0; i < 3000; ++i) {
        lines += QStringLiteral("line %1 of a long text\n").arg(i);
    }
    // A surrogate pair split between two pieces, and text after blanks longer than a piece.
    const QString straddling = QString(32767, u'a') + QStringLiteral("\U0001F600") + u'z';
    const QString farText =
        QString(70000, u' ') + QStringLiteral("late\nstart") + QString(70000, u'\n') + u'.';
    ClipboardItem rich = fullItem();
    rich.text = QString::fromUtf8("  \n Grüße\n👋🏽 ") + lines;
    ClipboardItem files;
    files.kind = ClipboardKind::Files;
    files.files = {QStringLiteral("/tmp/report.pdf"), QStringLiteral("/home/ü/dir/"),
                   QStringLiteral("relative"), QString(),
                   QStringLiteral("/x/") + QString(300, u'n')};
    ClipboardItem manyFiles;
    manyFiles.kind = ClipboardKind::Files;
    for (int i = 0; i < 40000; ++i) {
        manyFiles.files << QStringLiteral("/f/%1").arg(i);
    }
    ClipboardItem image;
    image.kind = ClipboardKind::Image;
    image.text = lines;
    image.imagePNG = Blob(QByteArray(5000, 'p'));
    ClipboardItem empty;
    empty.createdAt = Instant(12.5);
    ClipboardItem noText; // a text item without text
    noText.kind = ClipboardKind::Text;
    return {ClipboardItem::makeText(QStringLiteral("abc")),
            ClipboardItem::makeText(lines),
            ClipboardItem::makeText(QStringLiteral(" \t\n ") + lines + QString(50000, u' ')),
            ClipboardItem::makeText(straddling),
            ClipboardItem::makeText(farText),
            ClipboardItem::makeText(QString(100000, u' ')),
            ClipboardItem::makeText(QString()),
            textItem(ClipboardKind::Text, QString::fromUtf8("ü") + lines),
            textItem(ClipboardKind::RichText, QStringLiteral("<none>")),
            rich,
            files,
            manyFiles,
            image,
            empty,
            noText};
}

QStringList topKeys(const QByteArray& bytes) {
    BinaryPlistReader r(bytes);
    if (!r.open()) {
        return {};
    }
    QStringList keys;
    for (const auto& [k, v] : r.dict(r.topObject()).value_or(decltype(r.dict(0))::value_type{})) {
        keys << r.string(k).value_or(QStringLiteral("?"));
    }
    return keys;
}

// A minimal valid item dictionary built by hand with the given widths: a UTF-16 key and a
// path shared by two references.
QByteArray handmadeItem(int refWidth, int offsetWidth, const QByteArray& kind = "text") {
    RawPlist p(refWidth, offsetWidth);
    p.add(p.dict({{1, 2}, {3, 5}, {6, 7}}));
    for (const QByteArray& o :
         {RawPlist::ascii("kind"), RawPlist::ascii(kind), RawPlist::utf16("files"),
          RawPlist::ascii("/tmp/x"), p.array({4, 4}), RawPlist::ascii("createdAt"),
          RawPlist::date(12.5)}) {
        p.add(o);
    }
    return p.build();
}

// An item dictionary of the given keys and value objects, in that order.
QByteArray itemDict(const QList<std::pair<QByteArray, QByteArray>>& entries) {
    RawPlist p;
    QList<std::pair<int, int>> refs;
    for (int i = 0; i < entries.size(); ++i) {
        refs.append({1 + 2 * i, 2 + 2 * i});
    }
    p.add(p.dict(refs));
    for (const auto& e : entries) {
        p.add(RawPlist::ascii(e.first));
        p.add(e.second);
    }
    return p.build();
}

// The start of a text item's dictionary: kind, createdAt (0) and the key "files", whose value
// (object 6) the caller adds next.
RawPlist textItemHead(int refWidth = 1, int offsetWidth = 1) {
    RawPlist p(refWidth, offsetWidth);
    p.add(p.dict({{1, 2}, {3, 4}, {5, 6}}));
    p.add(RawPlist::ascii("kind"));
    p.add(RawPlist::ascii("text"));
    p.add(RawPlist::ascii("createdAt"));
    p.add(RawPlist::date(0));
    p.add(RawPlist::ascii("files"));
    return p;
}

} // namespace

class ItemEncodingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void roundTripsEveryFieldExactly() {
        ClipboardItem large;
        large.kind = ClipboardKind::Files;
        for (int i = 0; i < 300; ++i) { // > 255 objects: two-byte references
            large.files << QStringLiteral("/f/%1").arg(i);
        }
        large.text = QString(70000, QLatin1Char('x')); // > 65535: wider offsets
        QCOMPARE(ItemEncoding::decode(ItemEncoding::encode(large).bytes),
                 std::optional<ClipboardItem>(large));

        const ClipboardItem item = fullItem();
        const auto enc = ItemEncoding::encode(item);
        QVERIFY(enc.bytes.startsWith("bplist00"));
        const auto back = ItemEncoding::decode(enc.bytes);
        QVERIFY(back);
        QCOMPARE(*back, item);
        // The date keeps every bit.
        QCOMPARE(std::memcmp(&back->createdAt, &item.createdAt, sizeof(Instant)), 0);
        // The watched PNG offset points at the PNG bytes, and the item decodes with them cut
        // out, loading them only when asked.
        QCOMPARE(enc.bytes.mid(enc.pngOffset, enc.pngLength), item.imagePNG->bytes());
        QByteArray head = enc.bytes;
        head.remove(enc.pngOffset, enc.pngLength);
        int loads = 0;
        const auto cut = ItemEncoding::decodeWithoutPng(head, enc.pngOffset, enc.pngLength, [&] {
            ++loads;
            return item.imagePNG->bytes();
        });
        QVERIFY(cut);
        QCOMPARE(loads, 0);
        QVERIFY(cut->imagePNG->isDeferred());
        QCOMPARE(cut->imagePNG->size(), enc.pngLength);
        QCOMPARE(*cut, item);
        QCOMPARE(loads, 1);
        // A hole that does not match the image's bytes exactly is refused.
        QVERIFY(!ItemEncoding::decodeWithoutPng(head, enc.pngOffset + 1, enc.pngLength, {}));
        QVERIFY(!ItemEncoding::decodeWithoutPng(head, enc.pngOffset, enc.pngLength - 1, {}));
        QVERIFY(!ItemEncoding::decodeWithoutPng(head, -5, 3, {}));
    }

    void minimalItemWritesOnlyRequiredKeys() {
        ClipboardItem item;
        item.kind = ClipboardKind::Text;
        item.createdAt = Instant(-3.25); // before 2001 is fine too
        QStringList keys{"kind", "files", "createdAt"};
        for (int round = 0; round < 2; ++round) {
            const QByteArray bytes = ItemEncoding::encode(item).bytes;
            QCOMPARE(topKeys(bytes), keys);
            QCOMPARE(ItemEncoding::decode(bytes), std::optional<ClipboardItem>(item));
            // Empty optional fields are present, not absent.
            item.text = QString();
            item.rtf = QByteArray();
            keys = QStringList{"kind", "text", "rtf", "files", "createdAt"};
        }
    }

    void readsWhatOtherWritersProduce() {
        for (int refWidth : {1, 2, 3, 8}) {
            for (int offsetWidth : {1, 2, 4, 8}) {
                const auto item = ItemEncoding::decode(handmadeItem(refWidth, offsetWidth));
                QVERIFY2(
                    item,
                    qPrintable(QStringLiteral("ref %1 offset %2").arg(refWidth).arg(offsetWidth)));
                QCOMPARE(item->kind, ClipboardKind::Text);
                QCOMPARE(item->files, QStringList({"/tmp/x", "/tmp/x"}));
                QCOMPARE(item->createdAt, Instant(12.5));
                QVERIFY(!item->text);
            }
        }
    }

    void readsPythonsPlistWriter() {
        // Written by Python's plistlib: keys in another order, a shared duplicate path, and an
        // unknown key holding an array of an integer, a real and a Boolean.
        const QByteArray bytes = QByteArray::fromHex(
            "62706c6973743030d5010203040506070b030e596372656174656441745565787472615566696c6573"
            "546b696e6454746578743341c86303ae200000a308090a100123400400000000000009a30c0c0d562f"
            "746d702f61562f746d702f6253610a6208131d23292e333c40424b4c50575e00000000000001010000"
            "00000000000f00000000000000000000000000000062");
        const auto item = ItemEncoding::decode(bytes);
        QVERIFY(item);
        QCOMPARE(item->kind, ClipboardKind::Files);
        QCOMPARE(item->files, QStringList({"/tmp/a", "/tmp/a", "/tmp/b"}));
        QCOMPARE(item->text, std::optional<QString>("a\nb"));
        QCOMPARE(
            item->createdAt.toDateTime(),
            QDateTime::fromString(QStringLiteral("2026-12-06T21:13:00.250Z"), Qt::ISODateWithMs));
    }

    void refusesBadKindsTypesAndKeys() {
        // Summaries refuse what decoding refuses.
        for (const QByteArray& bad : {handmadeItem(1, 1, "video"), handmadeItem(1, 1, "Text"),
                                      QByteArray(), QByteArray("bplist00")}) {
            QVERIFY(!ItemEncoding::decode(bad));
            QVERIFY(!ItemEncoding::summarize(bad, 10));
        }
        QVERIFY(ItemEncoding::decode(handmadeItem(1, 1, "empty"))); // a real kind
        QVERIFY(ItemEncoding::summarize(handmadeItem(1, 1), 10));

        const RawPlist r;
        const auto kind = std::pair{QByteArray("kind"), RawPlist::ascii("text")};
        const auto files = std::pair{QByteArray("files"), r.array({})};
        const auto date = std::pair{QByteArray("createdAt"), RawPlist::date(1.0)};

        QVERIFY(ItemEncoding::decode(itemDict({kind, files, date})));
        // Unknown keys are ignored, whatever they hold.
        QVERIFY(
            ItemEncoding::decode(itemDict({kind, {"colour", RawPlist::date(2.0)}, files, date})));
        const auto surrogate = [](const QString& text) {
            return std::pair{QByteArray("text"), RawPlist::utf16(text)};
        };
        const QList<QList<std::pair<QByteArray, QByteArray>>> refused{
            {files, date}, // each required key missing
            {kind, date},
            {kind, files},
            {kind, files, {"createdAt", RawPlist::ascii("now")}}, // wrong types
            {kind, files, date, {"text", RawPlist::data("x")}},
            {kind, files, date, {"rtf", RawPlist::ascii("x")}},
            {kind, {"files", RawPlist::ascii("/x")}, date},
            {kind, files, {"createdAt", RawPlist::date(NAN)}},      // a non-finite date
            {kind, files, date, {"kind", RawPlist::ascii("text")}}, // a duplicate key
            {kind, files, date, {"text", RawPlist::ascii("\xe9")}}, // not ASCII
            {kind, files, date, surrogate(QString(QChar(0xD800)))}, // alone at the end
        };
        for (qsizetype i = 0; i < refused.size(); ++i) {
            QVERIFY2(!ItemEncoding::decode(itemDict(refused[i])), qPrintable(QString::number(i)));
        }
        // A lone surrogate in the part of the text that a summary reads.
        const QByteArray lone =
            itemDict({kind, files, date, surrogate(QStringLiteral("ab") + QChar(0xD800) + u'c')});
        QVERIFY(!ItemEncoding::decode(lone));
        QVERIFY(!ItemEncoding::summarize(lone, 10));
    }

    void refusesHostileInputs() {
        // A key that is a UTF-16 string holding U+0000 (found by a fuzzer in another reader).
        const QByteArray nulKey = QByteArray::fromHex(
            "62706c6973743030d101026100005178080b0e0000000000000101000000000000000300000000000000"
            "000000000000000010");
        QVERIFY(!ItemEncoding::decode(nulKey));

        // 100,000 nested arrays under "files".
        {
            RawPlist p = textItemHead(4, 4);
            const int n = 100000;
            for (int i = 0; i < n; ++i) {
                p.add(p.array({i + 7 < n + 6 ? i + 7 : 0}));
            }
            QVERIFY(!ItemEncoding::decode(p.build()));
        }

        // A trailer that claims 2^63 objects.
        {
            QByteArray b = ItemEncoding::encode(fullItem()).bytes;
            b.replace(b.size() - 24, 8, RawPlist::be(quint64{1} << 63, 8));
            QVERIFY(!ItemEncoding::decode(b));
        }

        // Arrays that each refer to the next one twice: a tiny file that would expand
        // exponentially if followed.
        {
            RawPlist p = textItemHead();
            const int depth = 24;
            for (int i = 0; i < depth; ++i) {
                p.add(p.array({7 + i, 7 + i}));
            }
            p.add(RawPlist::ascii("leaf"));
            const QByteArray bomb = p.build();
            QVERIFY(bomb.size() < 200);
            QVERIFY(!ItemEncoding::decode(bomb));
        }

        // One big string shared by many references: refused once the bytes materialised
        // pass a small multiple of the input.
        {
            RawPlist p = textItemHead(2, 4);
            const int refs = 5000;
            QList<int> members(refs, 7);
            p.add(p.array(members));
            p.add(RawPlist::ascii(QByteArray(10000, 'a')));
            QVERIFY(!ItemEncoding::decode(p.build()));
        }
    }

    // A reference equal to the object count names the bytes just past the offset table. Here
    // they are the offset of a real string, so a reader that followed it would read "past".
    void referencesPastTheTableAreRefused() {
        RawPlist p;
        p.add(RawPlist::ascii("one"));
        p.add(RawPlist::ascii("past"));
        QByteArray bytes = p.build();
        bytes.replace(bytes.size() - 24, 8, RawPlist::be(1, 8)); // the trailer claims one object
        BinaryPlistReader r(bytes);
        QVERIFY(r.open());
        QCOMPARE(r.string(0), std::optional<QString>("one"));
        QVERIFY(!r.string(1));
        QVERIFY(!r.stringLength(1));
        QVERIFY(!r.scanString(1, [](QStringView) { return true; }));
        // The trailer's own top object is held to the same bound.
        bytes.replace(bytes.size() - 16, 8, RawPlist::be(1, 8));
        QVERIFY(!BinaryPlistReader(bytes).open());
    }

    void summariesMatchTheDecodedPreview() {
        const QList<qsizetype> limits{0, 1, 5, 100, 10000, 40000, 100000};
        for (const ClipboardItem& item : summaryTable()) {
            const auto enc = ItemEncoding::encode(item);
            const auto decoded = ItemEncoding::decode(enc.bytes);
            QVERIFY(decoded);
            for (qsizetype limit : limits) {
                const ItemSummary expected = expectedSummary(*decoded, limit);
                QVERIFY2(same(ItemEncoding::summarize(enc.bytes, limit), expected),
                         qPrintable(item.preview().left(40)));
                if (enc.pngOffset >= 0) {
                    // As the store keeps it: the image's bytes cut out.
                    QByteArray head = enc.bytes;
                    head.remove(enc.pngOffset, enc.pngLength);
                    QVERIFY(same(ItemEncoding::summarize(CountingSource(head), enc.pngOffset,
                                                         enc.pngLength, limit),
                                 expected));
                    QVERIFY(!ItemEncoding::summarize(CountingSource(head), enc.pngOffset + 1,
                                                     enc.pngLength, limit));
                }
            }
        }
        // Only the start is read: a 4 MB text costs its first pieces and the trailer.
        const QString big = QString(4 * 1024 * 1024, u'x');
        const CountingSource source(ItemEncoding::encode(ClipboardItem::makeText(big)).bytes);
        const auto summary = ItemEncoding::summarize(source, std::nullopt, 0, 10000);
        QVERIFY(summary);
        QCOMPARE(summary->preview, big.left(10000) + QChar(0x2026));
        QCOMPARE(summary->sizes.text, qint64{big.size()});
        QVERIFY2(source.bytesRead() < 200 * 1024, qPrintable(QString::number(source.bytesRead())));
    }

    void damagedEncodingsAreRefusedOrReadAsTheyDecode() {
        // Truncations are refused by both; every single-byte corruption that still decodes
        // summarises to what it decodes to (the sanitizer build checks that none crashes). A
        // long text is corrupted in its structure only: its start and its end.
        for (const ClipboardItem& item : {fullItem(), summaryTable().at(1)}) {
            const QByteArray good = ItemEncoding::encode(item).bytes;
            const qsizetype step = std::max<qsizetype>(1, good.size() / 500);
            for (qsizetype n = 0; n < good.size(); n += step) {
                QVERIFY(!ItemEncoding::decode(good.left(n)));
                QVERIFY(!ItemEncoding::summarize(good.left(n), 20));
            }
            for (qsizetype i = 0; i < good.size(); ++i) {
                if (i == 300 && good.size() > 1000) {
                    i = good.size() - 300;
                }
                for (char v : {'\x00', '\x0f', '\x7f', '\xff'}) {
                    QByteArray bad = good;
                    bad[i] = v;
                    const auto summary = ItemEncoding::summarize(bad, 20);
                    if (const auto decoded = ItemEncoding::decode(bad)) {
                        QVERIFY(same(summary, expectedSummary(*decoded, 20)));
                    }
                }
            }
        }
    }
};

QTEST_GUILESS_MAIN(ItemEncodingTest)
#include "tst_itemencoding.moc"
