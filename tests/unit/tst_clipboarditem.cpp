#include "clipboard/ClipboardItem.h"
#include "clipboard/ContentHash.h"

#include <QTest>

namespace {
ClipboardItem textItem(std::optional<QString> text) {
    ClipboardItem item;
    item.kind = ClipboardKind::Text;
    item.text = std::move(text);
    return item;
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

        ClipboardItem files;
        files.kind = ClipboardKind::Files;
        files.files = {"/Users/u/Desktop/report.pdf", "/tmp/a.txt"};
        files.text = "ignored";
        QCOMPARE(files.preview(), QStringLiteral("report.pdf, a.txt"));

        ClipboardItem image;
        image.kind = ClipboardKind::Image;
        image.text = "caption";
        image.imagePNG = Blob(QByteArray("png"));
        QCOMPARE(image.preview(), QStringLiteral("Image"));
        QCOMPARE(ClipboardItem().preview(), QString());
    }

    void sameContentIgnoresTimeAndSource() {
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

        ClipboardItem f1;
        f1.kind = ClipboardKind::Files;
        f1.files = {"/a", "/b"};
        ClipboardItem f2 = f1;
        f2.files = {"/b", "/a"};
        QVERIFY(!f1.sameContent(f2));
    }

    void imagesCompareByBytesEvenWhenDeferred() {
        ClipboardItem a;
        a.kind = ClipboardKind::Image;
        a.imagePNG = Blob(QByteArray("\x89PNG-one"));
        int loads = 0;
        ClipboardItem b = a;
        b.imagePNG = Blob::deferred(8, [&] {
            ++loads;
            return QByteArray("\x89PNG-one");
        });
        QVERIFY(a.sameContent(b));
        QCOMPARE(loads, 1);
        // A size mismatch is decided without loading.
        b.imagePNG = Blob::deferred(3, [&] {
            ++loads;
            return QByteArray("abc");
        });
        QVERIFY(!a.sameContent(b));
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
        QCOMPARE(h.size(), 64);
    }
};

QTEST_GUILESS_MAIN(ClipboardItemTest)
#include "tst_clipboarditem.moc"
