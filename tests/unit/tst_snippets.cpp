#include "LogCapture.h"
#include "clipboard/FakeClipboard.h"
#include "core/ManualClock.h"
#include "store/SlotStore.h"
#include "store/SnippetExpander.h"
#include "store/SnippetStore.h"
#include "store/StoreContainer.h"

#include <QTest>

namespace {
const QLocale us(QLocale::English, QLocale::UnitedStates);
// 2026-12-05 21:41 local time.
Instant localMoment() {
    return Instant::fromDateTime(QDateTime(QDate(2026, 12, 5), QTime(21, 41)));
}
QString expand(const QString& body, const std::optional<QString>& clip = std::nullopt,
               const QMap<int, QString>& slots = {}) {
    return SnippetExpander::expand(body, clip, slots, localMoment(), us);
}
} // namespace

class SnippetsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void expansionPassesRunInOrder() {
        QCOMPARE(expand("no braces {here"), QStringLiteral("no braces {here"));
        QCOMPARE(expand(""), QString());
        QCOMPARE(expand("Hi {clipboard}!"), QStringLiteral("Hi !"));
        QCOMPARE(expand("{slot1}{slot1}", std::nullopt, {{1, "ab"}}), QStringLiteral("abab"));
        QCOMPARE(expand("{slot1}{slot1}"), QString());
        QCOMPARE(expand("{slot0}|{slot9}|{slot10}|{Date}|{SLOT1}", std::nullopt,
                        {{0, "zero"}, {1, "one"}, {9, "nine"}}),
                 QStringLiteral("zero|nine|{slot10}|{Date}|{SLOT1}"));
        // Inserted text is expanded by later passes only.
        QCOMPARE(expand("{clipboard}", QStringLiteral("{date}")), QStringLiteral("Dec 5, 2026"));
        QCOMPARE(expand("{slot2}", std::nullopt, {{2, "{slot5}"}, {5, "five"}}),
                 QStringLiteral("five"));
        QCOMPARE(expand("{slot5}", QStringLiteral("clip"), {{5, "{slot2}{clipboard}"}, {2, "two"}}),
                 QStringLiteral("{slot2}{clipboard}"));
        QCOMPARE(expand("{date} at {time}"), QStringLiteral("Dec 5, 2026 at 9:41 PM"));
    }

    void timesHavePlainSpaces() {
        // Whatever space the locale data puts before the day period, the snippet gets a plain
        // one.
        for (const QLocale& l : {us, QLocale(QLocale::English, QLocale::Australia),
                                 QLocale(QLocale::English, QLocale::India)}) {
            const QString time = SnippetExpander::shortTime(localMoment(), l);
            QVERIFY2(!time.contains(QChar(0x202F)) && !time.contains(QChar(0x00A0)),
                     qPrintable(time));
            QVERIFY2(time.contains(QLatin1Char(' ')), qPrintable(time));
        }
    }

    void dateAndTimeFollowTheLocale() {
        const QLocale c = QLocale::c();
        const QString date = SnippetExpander::mediumDate(localMoment(), c);
        QVERIFY2(date.contains("2026") && date.contains("Dec") && date.contains('5'),
                 qPrintable(date));
        QVERIFY(SnippetExpander::shortTime(localMoment(), c).startsWith("21:41"));
        const QLocale de(QLocale::German, QLocale::Germany);
        QVERIFY(SnippetExpander::mediumDate(localMoment(), de).contains("2026"));
        QVERIFY(!SnippetExpander::mediumDate(localMoment(), de).contains("Samstag"));
        // Where the weekday trails, its separator goes with it.
        for (const QLocale& l : {QLocale(QLocale::Hungarian, QLocale::Hungary),
                                 QLocale(QLocale::Lithuanian, QLocale::Lithuania)}) {
            const QString d = SnippetExpander::mediumDate(localMoment(), l);
            QVERIFY2(d.startsWith("2026") && !d.endsWith(',') &&
                         !d.contains(l.dayName(6, QLocale::LongFormat)),
                     qPrintable(d));
        }
    }

    void usingASnippetWritesPlainText() {
        ManualClock clock;
        auto container = StoreContainer::make(true, std::nullopt, nullptr);
        SlotStore slots(*container, clock);
        FakeClipboard clipboard;
        slots.setItem(ClipboardItem::makeText("first"), 1);
        ClipboardItem files;
        files.kind = ClipboardKind::Files;
        files.files = {"/tmp/a"};
        slots.setItem(files, 2);
        ClipboardItem image;
        image.kind = ClipboardKind::Image;
        image.imagePNG = Blob(QByteArray("png"));
        slots.setItem(image, 3);
        slots.setItem(ClipboardItem::makeText(""), 4);
        QVERIFY(container->db().run("INSERT INTO slot_record (slot_index, pinned, updated_at, "
                                    "item_data) VALUES (5, 0, 0, x'00')",
                                    {}));
        ClipboardItem rich = ClipboardItem::makeText("from clipboard");
        rich.kind = ClipboardKind::RichText;
        rich.html = "<b>from clipboard</b>";
        clipboard.write(rich);

        const QString out =
            SnippetExpander::use("[{slot1}|{slot2}|{slot3}|{slot4}|{slot5}|{clipboard}]", slots,
                                 clipboard, clock.now(), us);
        // Files and images without text, empty text and undecodable slots give empty text.
        QCOMPARE(out, QStringLiteral("[first|||||from clipboard]"));
        QCOMPARE(clipboard.changeCount(), 2);
        QCOMPARE(*clipboard.item, ClipboardItem::makeText(out, clock.now()));
    }

    void storeKeepsCreationOrder() {
        ManualClock clock;
        auto container = StoreContainer::make(true, std::nullopt, nullptr);
        SnippetStore store(*container, clock);
        QUuid first;
        QUuid second;
        QVERIFY(store.add("", "body one", &first));
        clock.advance(1);
        QVERIFY(store.add("Second", "body two", &second));
        QCOMPARE(store.all().size(), 2);
        QCOMPARE(store.all()[0].id, second);
        QCOMPARE(store.all()[1].title, QString());

        clock.advance(1);
        store.update(first, "First", "edited");
        QCOMPARE(store.all()[1].id, first); // editing does not move it
        QCOMPARE(store.all()[1].body, QStringLiteral("edited"));
        QCOMPARE(store.all()[1].updatedAt, clock.now());
        QCOMPARE(store.revision(), 3);

        store.update(QUuid::createUuid(), "x", "y");
        store.remove(QUuid::createUuid());
        QCOMPARE(store.revision(), 3);
        store.remove(second);
        QCOMPARE(store.all().size(), 1);

        container->setSaveFailure(QStringLiteral("read-only"));
        LogCapture log;
        QUuid third;
        const StoreWrite waiting = store.add("t", "b", &third);
        QCOMPARE(waiting.status, StoreWrite::Status::Pending);
        QCOMPARE(waiting.reason, QStringLiteral("read-only"));
        QVERIFY(log.contains("io.stashwick.store", "snippet save failed: read-only"));
        QCOMPARE(store.revision(), 4);
        container->setSaveFailure(std::nullopt);
        store.update(third, "t2", "b2");
        QCOMPARE(store.revision(), 5);
        QCOMPARE(store.all()[0].title, QStringLiteral("t2"));
    }
};

QTEST_GUILESS_MAIN(SnippetsTest)
#include "tst_snippets.moc"
