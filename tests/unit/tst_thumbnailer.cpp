#include "TestImages.h"
#include "clipboard/Thumbnailer.h"

#include <QTest>

namespace {

// A scanline `w` wide of `depth`-bit palette indexes: 0 on the left half, 1 on the right.
QByteArray halves(int w, int depth) {
    const int perByte = 8 / depth;
    QByteArray row((w * depth + 7) / 8, '\0');
    for (int x = w / 2; x < w; ++x) {
        row[x / perByte] = static_cast<char>(static_cast<quint8>(row[x / perByte]) |
                                             (1 << (8 - depth - (x % perByte) * depth)));
    }
    return row;
}

} // namespace

class ThumbnailerTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void downsamplesToTheLongerSideWithoutUpscaling() {
        QCOMPARE(Thumbnailer::downsample(TestImages::png(4000, 1000), 512)->size(),
                 QSize(512, 128));
        QCOMPARE(Thumbnailer::downsample(TestImages::png(1000, 4000), 512)->size(),
                 QSize(128, 512));
        QCOMPARE(Thumbnailer::downsample(TestImages::png(100, 50), 512)->size(), QSize(100, 50));
        QCOMPARE(Thumbnailer::downsample(TestImages::png(3000, 2), 512)->size(), QSize(512, 1));
        QCOMPARE(Thumbnailer::downsample(TestImages::png(10, 10), 0)->size(), QSize(1, 1));
        QVERIFY(!Thumbnailer::downsample("not an image", 512));
        QVERIFY(!Thumbnailer::downsample(QByteArray(), 512));
    }

    void keepsTheColoursOfEveryPngColourType() {
        // Each picture: left half one colour, right half another, 800 x 600, so that a
        // thumbnail has to be scaled down while reading.
        const int w = 800;
        const int h = 600;
        const QByteArray redBlue = QByteArray::fromHex("ff00000000ff");
        QImage mono(w, h, QImage::Format_Mono);
        mono.setColorTable({qRgb(255, 0, 0), qRgb(0, 0, 255)});
        QImage rgba(w, h, QImage::Format_RGBA64);
        QImage grey16(w, h, QImage::Format_Grayscale16);
        QByteArray greyAlphaRow;
        for (int x = 0; x < w; ++x) {
            const bool right = x >= w / 2;
            greyAlphaRow += right ? QByteArray("\xff\xff", 2) : QByteArray("\x00\xff", 2);
            for (int y = 0; y < h; ++y) {
                mono.setPixel(x, y, right ? 1 : 0);
                rgba.setPixelColor(x, y, right ? QColor(0, 0, 255, 255) : QColor(255, 0, 0, 255));
                grey16.setPixelColor(x, y, right ? QColor(255, 255, 255) : QColor(0, 0, 0));
            }
        }
        const QImage indexed = mono.convertToFormat(QImage::Format_Indexed8);
        const QRgb red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255);
        const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
        const struct Case {
            const char* name;
            QByteArray png;
            QRgb left;
            QRgb right;
        } cases[] = {
            {"1-bit palette", TestImages::encode(mono, "png"), red, blue},
            {"2-bit palette", TestImages::handPng(w, h, 2, 3, halves(w, 2), redBlue), red, blue},
            {"4-bit palette", TestImages::handPng(w, h, 4, 3, halves(w, 4), redBlue), red, blue},
            {"8-bit palette", TestImages::encode(indexed, "png"), red, blue},
            {"1-bit grey", TestImages::handPng(w, h, 1, 0, halves(w, 1)), black, white},
            {"16-bit grey", TestImages::encode(grey16, "png"), black, white},
            {"grey and alpha", TestImages::handPng(w, h, 8, 4, greyAlphaRow), black, white},
            {"RGB", TestImages::encode(mono.convertToFormat(QImage::Format_RGB32), "png"), red,
             blue},
            {"16-bit RGBA", TestImages::encode(rgba, "png"), red, blue},
            {"TIFF palette", TestImages::encode(indexed, "tiff"), red, blue},
            {"TIFF bilevel", TestImages::encode(mono, "tiff"), black, white},
        };
        for (const Case& c : cases) {
            const auto thumb = Thumbnailer::downsample(c.png, 64);
            QVERIFY2(thumb, c.name);
            QCOMPARE(thumb->size(), QSize(64, 48));
            // Away from the seam, each half shows its own colour.
            const auto near = [](QRgb a, QRgb b) {
                return std::abs(qRed(a) - qRed(b)) <= 8 && std::abs(qGreen(a) - qGreen(b)) <= 8 &&
                       std::abs(qBlue(a) - qBlue(b)) <= 8;
            };
            for (int y = 2; y < 46; y += 11) {
                QVERIFY2(near(thumb->pixel(8, y), c.left), c.name);
                QVERIFY2(near(thumb->pixel(56, y), c.right), c.name);
            }
        }
    }

    void appliesTheStoredOrientation() {
        // A 60 x 20 JPEG that says "rotate 90°" is shown 20 wide and 60 high.
        const QByteArray jpeg = TestImages::encode(TestImages::pattern(60, 20), "jpeg",
                                                   QImageIOHandler::TransformationRotate90);
        QCOMPARE(Thumbnailer::downsample(jpeg, 512)->size(), QSize(20, 60));
        QCOMPARE(Thumbnailer::downsample(jpeg, 30)->size(), QSize(10, 30));
    }

    void cachesByBytesAndEvictsLeastRecentlyUsed() {
        // Room for about two 512 x 512 pictures.
        Thumbnailer thumbs(2 * 512 * 512 * 4 + 1000);
        const QByteArray a = TestImages::png(600, 600);
        const QByteArray aCopy(a.constData(), a.size()); // equal bytes, separate buffer
        const QByteArray b = TestImages::png(700, 700);
        const QByteArray c = TestImages::png(800, 800);
        QVERIFY(thumbs.thumbnail(a));
        QVERIFY(thumbs.thumbnail(aCopy));
        QCOMPARE(thumbs.decodeCount(), 1);
        QVERIFY(thumbs.thumbnail(b));
        QVERIFY(thumbs.thumbnail(a)); // a is now the most recently used
        QVERIFY(thumbs.thumbnail(c)); // evicts b
        QCOMPARE(thumbs.decodeCount(), 3);
        QVERIFY(thumbs.thumbnail(a));
        QCOMPARE(thumbs.decodeCount(), 3);
        QVERIFY(thumbs.thumbnail(b));
        QCOMPARE(thumbs.decodeCount(), 4);
        // The cache keeps no share of the image bytes it was given (they would be memory
        // outside its budget).
        QVERIFY(a.isDetached() && b.isDetached() && c.isDetached());

        // Failures are not cached: each call tries again.
        QVERIFY(!thumbs.thumbnail("junk"));
        QVERIFY(!thumbs.thumbnail("junk"));
        QCOMPARE(thumbs.decodeCount(), 6);
    }
};

QTEST_GUILESS_MAIN(ThumbnailerTest)
#include "tst_thumbnailer.moc"
