#include "StoreStack.h"

#include <QTest>

namespace {
using Fixture = StoreStack;

QString transformed(PasteTransform t, const QString& text) {
    return *PasteTransforms::apply(t, ClipboardItem::makeText(text)).text;
}
} // namespace

class ClipboardServiceTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void captureFillsSlotHistoryAndStats() {
        Fixture f;
        f.clipboard.write(ClipboardItem::makeText("same"));
        QVERIFY(!f.service.captureClipboardToSlot(10));
        QVERIFY(!f.service.captureClipboardToSlot(-1));
        QCOMPARE(f.slots.revision(), 0);
        QCOMPARE(f.stats.total(StatsService::Kind::Copy), 0);

        QVERIFY(f.service.captureClipboardToSlot(1));
        QVERIFY(f.service.captureClipboardToSlot(2));
        QCOMPARE(f.service.slot(1)->text, std::optional<QString>("same"));
        QCOMPARE(f.service.slot(2)->text, std::optional<QString>("same"));
        QCOMPARE(f.slots.recentHistory(10).size(), 1);
        QCOMPARE(f.stats.total(StatsService::Kind::Copy), 2);
        QCOMPARE(f.stats.count(StatsService::Kind::Copy, 2), 1);

        // Concealed content is never captured; the slot keeps what it had.
        f.clipboard.write(ClipboardItem::makeText("password"));
        f.clipboard.concealed = true;
        QVERIFY(!f.service.captureClipboardToSlot(1));
        QCOMPARE(f.service.slot(1)->text, std::optional<QString>("same"));

        // Nothing on the clipboard, or an empty item.
        f.clipboard.concealed = false;
        f.clipboard.item.reset();
        QVERIFY(!f.service.captureClipboardToSlot(3));
        f.clipboard.item = ClipboardItem();
        QVERIFY(!f.service.captureClipboardToSlot(3));
        QVERIFY(!f.service.slot(3));
    }

    void loadWritesTheTransformedItemAndCountsAPaste() {
        Fixture f;
        QVERIFY(!f.service.loadSlotToClipboard(4));
        QCOMPARE(f.clipboard.changeCount(), 0);
        QCOMPARE(f.stats.total(StatsService::Kind::Paste), 0);

        ClipboardItem rich = ClipboardItem::makeText("Hello");
        rich.kind = ClipboardKind::RichText;
        rich.html = "<b>Hello</b>";
        rich.rtf = QByteArray("{\\rtf1 Hello}");
        rich.sourceBundleID = "org.example";
        f.slots.setItem(rich, 4);

        QVERIFY(f.service.loadSlotToClipboard(4, PasteTransform::Plain));
        QCOMPARE(f.clipboard.item->kind, ClipboardKind::Text);
        QCOMPARE(f.clipboard.item->text, std::optional<QString>("Hello"));
        QVERIFY(!f.clipboard.item->html && !f.clipboard.item->rtf);
        QCOMPARE(f.clipboard.item->sourceBundleID, std::optional<QString>("org.example"));

        QVERIFY(f.service.loadSlotToClipboard(4, PasteTransform::None));
        QCOMPARE(*f.clipboard.item, rich);
        QCOMPARE(f.stats.count(StatsService::Kind::Paste, 4), 2);
        // Loading changes neither the slot nor the history.
        QCOMPARE(*f.service.slot(4), rich);
        QVERIFY(f.slots.recentHistory(10).isEmpty());

        ClipboardItem image;
        image.kind = ClipboardKind::Image;
        image.imagePNG = Blob(QByteArray("png"));
        image.text = "caption";
        f.slots.setItem(image, 5);
        QVERIFY(f.service.loadSlotToClipboard(5, PasteTransform::Uppercased));
        QCOMPARE(*f.clipboard.item, image);

        ClipboardItem richNoText;
        richNoText.kind = ClipboardKind::RichText;
        richNoText.html = "<p>x</p>";
        QCOMPARE(PasteTransforms::apply(PasteTransform::Lowercased, richNoText), richNoText);
    }

    void transformTable() {
        QCOMPARE(transformed(PasteTransform::Titlecased, "hello wORLD"),
                 QStringLiteral("Hello World"));
        // Apostrophes and dots between letters stay inside a word.
        QCOMPARE(transformed(PasteTransform::Titlecased, "o'neil mcdonald-smith"),
                 QStringLiteral("O'neil Mcdonald-Smith"));
        QCOMPARE(
            transformed(PasteTransform::Titlecased, QStringLiteral("it's a dog's life, don’t")),
            QStringLiteral("It's A Dog's Life, Don’t"));
        QCOMPARE(transformed(PasteTransform::Titlecased, "see example.com. ok"),
                 QStringLiteral("See Example.com. Ok"));
        QCOMPARE(transformed(PasteTransform::Titlecased, QStringLiteral("ǆemal")),
                 QStringLiteral("ǅemal"));
        QCOMPARE(transformed(PasteTransform::Titlecased, QStringLiteral("ßen élan\tx,y 3rd")),
                 QStringLiteral("Ssen Élan\tX,Y 3rd"));
        QCOMPARE(transformed(PasteTransform::Titlecased, QStringLiteral("😀abc DEF")),
                 QStringLiteral("😀Abc Def"));
        QCOMPARE(transformed(PasteTransform::Trimmed, "  a b \n"), QStringLiteral("a b"));
        QCOMPARE(transformed(PasteTransform::Trimmed, QStringLiteral("\u00A0\u2028x\u3000")),
                 QStringLiteral("x"));
        QCOMPARE(transformed(PasteTransform::Uppercased, QStringLiteral("straße")),
                 QStringLiteral("STRASSE"));
        QCOMPARE(transformed(PasteTransform::Lowercased, QStringLiteral("ÀÉÎ")),
                 QStringLiteral("àéî"));
        QCOMPARE(transformed(PasteTransform::Plain, " as is "), QStringLiteral(" as is "));

        QStringList raw, titles;
        for (PasteTransform t : PasteTransforms::all) {
            raw << PasteTransforms::rawValue(t);
            titles << PasteTransforms::title(t);
            QCOMPARE(PasteTransforms::fromRaw(PasteTransforms::rawValue(t)), std::optional(t));
        }
        QCOMPARE(raw, QStringList(
                          {"none", "plain", "lowercased", "uppercased", "titlecased", "trimmed"}));
        QCOMPARE(titles, QStringList({"Original", "Plain text", "lowercase", "UPPERCASE",
                                      "Title Case", "Trimmed"}));
        QVERIFY(!PasteTransforms::fromRaw("Plain"));
    }

    void restoreDelayIsObservable() {
        Fixture f;
        QCOMPARE(f.service.restoreDelay(), 0.25);
        int changes = 0;
        QObject::connect(&f.service, &ClipboardService::restoreDelayChanged, [&] { ++changes; });
        f.service.setRestoreDelay(0.25);
        f.service.setRestoreDelay(0.5);
        QCOMPARE(changes, 1);
    }
};

QTEST_GUILESS_MAIN(ClipboardServiceTest)
#include "tst_clipboardservice.moc"
