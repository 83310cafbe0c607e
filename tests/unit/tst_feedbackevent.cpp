#include "hotkeys/FeedbackEvent.h"

#include <QTest>

class FeedbackEventTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // An event without a slot says so (the other wordings are the coordinator's to show).
    void summaries() {
        QCOMPARE(FeedbackEvent::make(FeedbackOutcome::Copied, std::nullopt).summary(),
                 QStringLiteral("Copied \u2192 slot ?"));
    }

    void eventsCarryTheItemOnlyWhenTheyHaveContent() {
        ClipboardItem image;
        image.kind = ClipboardKind::Image;
        image.imagePNG = Blob(QByteArray("png"));
        const auto copied = FeedbackEvent::make(FeedbackOutcome::Copied, 2, image);
        QCOMPARE(copied.preview, QStringLiteral("Image"));
        QCOMPARE(copied.kind, std::optional<ClipboardKind>(ClipboardKind::Image));
        QCOMPARE(copied.imagePNG, std::optional<QByteArray>("png"));
        const auto nothing = FeedbackEvent::make(FeedbackOutcome::NothingToCopy, 2, image);
        QVERIFY(nothing.preview.isEmpty() && !nothing.kind && !nothing.imagePNG);
    }

    void truncatesByGraphemes() {
        const QString eighty(80, QLatin1Char('x'));
        QCOMPARE(FeedbackEvent::truncate(eighty), eighty);
        QCOMPARE(FeedbackEvent::truncate(eighty + "y"), eighty + QStringLiteral("\u2026"));
        // An emoji with a skin-tone modifier and a flag are one character each.
        const QString wave = QStringLiteral("👋🏽");
        const QString flag = QStringLiteral("🇩🇪");
        QString s;
        for (int i = 0; i < 40; ++i) {
            s += wave + flag;
        }
        QCOMPARE(FeedbackEvent::truncate(s), s);
        QCOMPARE(FeedbackEvent::truncate(s + "z"), s + QStringLiteral("\u2026"));
        const QString combining = QStringLiteral("e\u0301"); // é as two code points
        QCOMPARE(FeedbackEvent::truncate(combining.repeated(81)),
                 combining.repeated(80) + QStringLiteral("\u2026"));
        QCOMPARE(FeedbackEvent::truncate(QString()), QString());
        // The preview is truncated when an event is built.
        const auto e = FeedbackEvent::make(FeedbackOutcome::Pasted, 1,
                                           ClipboardItem::makeText(QString(200, 'a')));
        QCOMPARE(e.preview.size(), 81);
    }
};

QTEST_GUILESS_MAIN(FeedbackEventTest)
#include "tst_feedbackevent.moc"
