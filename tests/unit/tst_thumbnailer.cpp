#include "TestImages.h"
#include "clipboard/Thumbnailer.h"

#include <QTest>

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
