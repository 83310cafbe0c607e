#include "TestItems.h"
#include "clipboard/ClipboardItem.h"
#include "clipboard/ContentHash.h"
#include "clipboard/DisplayLine.h"

#include <QCryptographicHash>
#include <QTest>
#include <QtEndian>

namespace {
ClipboardItem textItem(std::optional<QString> text) {
    return TestItems::of(ClipboardKind::Text, std::move(text));
}
} // namespace

class ClipboardItemTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void previewPerKind() {
        QCOMPARE(textItem(" \n \t ").preview(), QString());
        QCOMPARE(textItem("a\nb").preview(), QStringLiteral("a b"));
        QCOMPARE(textItem("  x  ").preview(), QStringLiteral("x"));
        QCOMPARE(textItem("\n\nline one\nline two\n").preview(),
                 QStringLiteral("line one line two"));
        QCOMPARE(textItem(std::nullopt).preview(), QString());

        ClipboardItem rich = textItem(" héllo ");
        rich.kind = ClipboardKind::RichText;
        QCOMPARE(rich.preview(), QStringLiteral("héllo"));

        ClipboardItem files = TestItems::files({"/Users/u/Desktop/report.pdf", "/tmp/a.txt"});
        files.text = "ignored";
        QCOMPARE(files.preview(), QStringLiteral("report.pdf, a.txt"));

        ClipboardItem image;
        image.kind = ClipboardKind::Image;
        image.text = "caption";
        image.imagePNG = Blob(QByteArray("png"));
        QCOMPARE(image.preview(), QStringLiteral("Image"));
        QCOMPARE(ClipboardItem().preview(), QString());
    }

    // Copied text is shown as the text it is, on one line: nothing in it breaks the line,
    // hides as markup a label would act on, or reorders what is shown after it.
    void previewsShowTextAsText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("line breaks") << "a\r\nb\rc\u2028d\u2029e\u0085f"
                                     << "a  b c d e f";
        QTest::newRow("tabs and feeds") << "a\tb\vc\fd"
                                        << "a b c d";
        QTest::newRow("controls") << QStringLiteral("a\x01"
                                                    "b\x1b"
                                                    "[31mc\x7f") +
                                         QChar(0) + "d"
                                  << "a\u2401b\u241b[31mc\u2421\u2400d";
        QTest::newRow("C1 controls") << "a\u0080b\u009bc"
                                     << "a\ufffdb\ufffdc";
        QTest::newRow("override") << "invoice\u202egpj.exe"
                                  << "invoicegpj.exe";
        QTest::newRow("embeddings") << "\u202aa\u202bb\u202cc\u202dd"
                                    << "abcd";
        QTest::newRow("isolates") << "\u2066a\u2067b\u2068c\u2069d"
                                  << "abcd";
        QTest::newRow("markup stays text") << "<b>bold</b> &amp;"
                                           << "<b>bold</b> &amp;";
        QTest::newRow("right-to-left letters stay") << "\u05e9\u05dc\u05d5\u05dd abc"
                                                    << "\u05e9\u05dc\u05d5\u05dd abc";
        QTest::newRow("trimmed after cleaning") << "\u202e  x \r\n"
                                                << "x";
    }
    void previewsShowTextAsText() {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(textItem(text).preview(), shown);
        QCOMPARE(textItem(text).boundedPreview(1000), shown);
        // Kept previews (the statistics') are cleaned as they are shown.
        QCOMPARE(ClipboardItem::cutPreview(text.trimmed(), 1000),
                 DisplayLine::clean(text.trimmed()));
        const ClipboardItem files = TestItems::files({"/tmp/" + text});
        QVERIFY(!files.preview().contains(QChar(0x202e)));
        QVERIFY(!files.preview().contains(u'\n'));
    }

    void boundedPreviewIsTheStartOfThePreview() {
        const QChar more(0x2026);
        ClipboardItem image;
        image.kind = ClipboardKind::Image;
        for (const ClipboardItem& item :
             {textItem(" \n abc\ndef \t\n"), textItem("\u00a0 x\ny \u3000"), textItem("  "),
              textItem(std::nullopt), TestItems::files({"/a/report.pdf", "/b/notes.txt", "/c/x"}),
              image, ClipboardItem(),
              textItem("\u202e \u2066 ab\u202ec\r\nd\x01"
                       "e \u2069 "),
              textItem("\u202d\u202a\u2067 \t")}) {
            const QString full = item.preview();
            for (qsizetype limit : {0, 1, 3, 4, 5, 7, 8, 20}) {
                const QString expected = full.size() <= limit ? full : full.left(limit) + more;
                QCOMPARE(item.boundedPreview(limit), expected);
            }
        }
        // A character outside the basic plane is not split.
        QCOMPARE(textItem(QStringLiteral("ab\U0001F600c")).boundedPreview(3),
                 QStringLiteral("ab") + more);
        // A huge text: only its start is looked at.
        const QString huge = QStringLiteral("  ") + QString(1'000'000, u'x') + u'\n';
        QCOMPARE(textItem(huge).boundedPreview(4), QStringLiteral("xxxx") + more);
    }

    void sameContentIgnoresTimeAndSourceOnly() {
        ClipboardItem a = textItem("same");
        a.createdAt = Instant(1.0);
        a.sourceBundleID = "org.example.one";
        ClipboardItem b = textItem("same");
        b.createdAt = Instant(99.0);
        QVERIFY(a.sameContent(b));
        QCOMPARE(ContentHash::canonical(a), ContentHash::canonical(b));

        // Absent text and empty text are different content with different hashes.
        QVERIFY(!textItem(std::nullopt).sameContent(textItem("")));
        QVERIFY(ContentHash::canonical(textItem(std::nullopt)) !=
                ContentHash::canonical(textItem("")));

        ClipboardItem rich = textItem("same");
        rich.kind = ClipboardKind::RichText;
        QVERIFY(!a.sameContent(rich));
        ClipboardItem withRtf = textItem("same");
        withRtf.rtf = QByteArray("{\\rtf1}");
        QVERIFY(!a.sameContent(withRtf));

        QVERIFY(!TestItems::files({"/a", "/b"}).sameContent(TestItems::files({"/b", "/a"})));

        // Images compare by their bytes, loading a deferred one only when the sizes agree.
        ClipboardItem png;
        png.kind = ClipboardKind::Image;
        png.imagePNG = Blob(QByteArray("\x89PNG-one"));
        int loads = 0;
        ClipboardItem later = png;
        later.imagePNG = Blob::deferred(8, [&] {
            ++loads;
            return QByteArray("\x89PNG-one");
        });
        QVERIFY(png.sameContent(later));
        QCOMPARE(loads, 1);
        later.imagePNG = Blob::deferred(3, [&] {
            ++loads;
            return QByteArray("abc");
        });
        QVERIFY(!png.sameContent(later));
        QCOMPARE(loads, 1);
    }

    void contentHashWorkedExample() {
        QCOMPARE(
            ContentHash::canonical(textItem("abc")),
            QStringLiteral("d912b3c5c7b88ba09c2194c870eccda48826df84ea6b42a5ce32243cc753f335"));
        // Every flavour takes part: changing any one changes the hash.
        ClipboardItem base = textItem("abc");
        const QString h = ContentHash::canonical(base);
        ClipboardItem html = base;
        html.html = "abc";
        ClipboardItem png = base;
        png.imagePNG = Blob(QByteArray());
        ClipboardItem files = base;
        files.files = {"/x"};
        QSet<QString> hashes{h, ContentHash::canonical(html), ContentHash::canonical(png),
                             ContentHash::canonical(files)};
        QCOMPARE(hashes.size(), 4);
    }

    void contentHashOfALongTextIsThatOfItsWholeUtf8() {
        // Past a megabyte, with a pair across the megabyte mark and a surrogate alone.
        QString text(1 << 20, u'a');
        text[(1 << 20) - 1] = QChar(0xD83D);
        text += QChar(0xDE00);
        text += QChar(0xDC00);
        text += QStringLiteral("\u00e9");
        QCryptographicHash h(QCryptographicHash::Sha256);
        const auto integer = [&](qint64 v) {
            const qint64 le = qToLittleEndian(v);
            h.addData(QByteArrayView(reinterpret_cast<const char*>(&le), sizeof le));
        };
        const auto field = [&](const std::optional<QByteArray>& bytes) {
            const char marker = bytes ? 1 : 0;
            h.addData(QByteArrayView(&marker, 1));
            integer(bytes ? bytes->size() : 0);
            h.addData(bytes.value_or(QByteArray()));
        };
        integer(4);
        h.addData("text");
        field(text.toUtf8());
        for (int i = 0; i < 3; ++i) {
            field(std::nullopt); // rtf, html, imagePNG
        }
        integer(0); // files
        QCOMPARE(ContentHash::canonical(textItem(text)), QString::fromLatin1(h.result().toHex()));
    }
};

QTEST_GUILESS_MAIN(ClipboardItemTest)
#include "tst_clipboarditem.moc"
