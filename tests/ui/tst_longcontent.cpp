// Long content in the window's lists: a word longer than a line, a line longer than the
// window and many lines. Every row keeps its buttons inside the window at its minimum size,
// and previews show whole lines within their limits. Rendered images go to
// build/tests/artifacts.
#include "RenderArtifact.h"
#include "WindowFixture.h"
#include "ui/Card.h"
#include "ui/IconChipButton.h"
#include "ui/Pill.h"
#include "window/MainWindow.h"
#include "window/RootView.h"
#include "window/WrappingText.h"
#include "window/history/HistoryRow.h"
#include "window/history/HistoryView.h"
#include "window/history/SearchField.h"
#include "window/slots/SlotTile.h"
#include "window/slots/SlotsView.h"
#include "window/snippets/SnippetRow.h"
#include "window/snippets/SnippetsView.h"
#include "window/stats/StatsView.h"
#include "window/stats/TopContentRow.h"

#include <QLineEdit>
#include <QScrollArea>
#include <QTest>

namespace {

const QString longWord =
    QStringLiteral("https://example.com/a/") + QString(400, u'x') + QStringLiteral("?end=1");
const QString longLine = QStringLiteral(
    "Thanks for getting in touch! We have received your message and one of us will answer "
    "within two working days. Meanwhile the answers to common questions are on our help pages "
    "and in the forum.");
const QString manyLines = QStringLiteral("first\nsecond\nthird\nfourth\nfifth\nsixth\nseventh");
const QString tileText = QStringLiteral(
    "The meeting moves to Thursday afternoon because the projector in the small room broke "
    "again on Wednesday and nobody could fix it before the weekend started");

struct Fixture : WindowFixture {
    Fixture() {
        for (const QString& text : {manyLines, longLine, longWord, QStringLiteral("   ")}) {
            const ClipboardItem item = ClipboardItem::makeText(text, clock.now());
            state.slots().addHistory(item);
            state.stats().recordCopy(item, 1);
        }
        state.stats().record(StatsService::Kind::Paste, 1);
        state.snippets().add(longWord, longLine);
        state.snippets().add(QStringLiteral("Lines"), manyLines);
        state.snippets().add(longLine, longWord);
        state.slots().setItem(ClipboardItem::makeText(tileText, clock.now()), 1);
    }
};

void settle() {
    // Layouts run from posted events; the history settles its rows on the next turns.
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCoreApplication::processEvents();
    }
}

// What a widget shows as text: its wrapping texts, line by line.
QStringList shownLines(const QWidget* w) {
    QStringList lines;
    for (const WrappingText* t : w->findChildren<WrappingText*>()) {
        lines << t->shownLines();
    }
    return lines;
}

// Every button, pill and card of the page lies across the viewport's width, and every
// limited text shows whole lines within its limit, none wider than the text.
void checkFits(QScrollArea* scroll, const QString& page) {
    QWidget* viewport = scroll->viewport();
    QVERIFY2(scroll->widget()->width() <= viewport->width(), qPrintable(page));
    int checked = 0;
    for (QWidget* w : scroll->widget()->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(scroll) || !(qobject_cast<IconChipButton*>(w) ||
                                         qobject_cast<Pill*>(w) || qobject_cast<Card*>(w))) {
            continue;
        }
        ++checked;
        const QRect r(w->mapTo(viewport, QPoint(0, 0)), w->size());
        QVERIFY2(r.left() >= 0 && r.right() < viewport->width(),
                 qPrintable(QStringLiteral("%1: %2 %3 at %4..%5 of %6")
                                .arg(page, w->metaObject()->className(), w->accessibleName())
                                .arg(r.left())
                                .arg(r.right())
                                .arg(viewport->width())));
    }
    QVERIFY2(checked >= 6, qPrintable(page));
    int limited = 0;
    for (WrappingText* t : scroll->widget()->findChildren<WrappingText*>()) {
        if (!t->isVisibleTo(scroll) || t->maximumLines() == 0) {
            continue;
        }
        ++limited;
        const QStringList lines = t->shownLines();
        const QString what = page + QStringLiteral(": ") + t->text().left(30);
        QVERIFY2(lines.size() >= 1 && lines.size() <= t->maximumLines(), qPrintable(what));
        QVERIFY2(t->height() == lines.size() * t->lineHeight(), qPrintable(what));
        for (const QString& line : lines) {
            QVERIFY2(t->fontMetrics().horizontalAdvance(line) <= t->width(), qPrintable(what));
        }
    }
    QVERIFY2(limited >= 3, qPrintable(page));
}

} // namespace

class LongContentTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyListFitsTheWindowAtItsMinimumSize() {
        Fixture f;
        f.state.setEventTapActive(true); // the chords work: no banner
        MainWindow window(f.context);
        window.resize(window.minimumSize());
        window.show();
        for (const QString& appearance : {QStringLiteral("light"), QStringLiteral("dark")}) {
            f.defaults.setString(QStringLiteral("appearanceMode"), appearance);
            for (MainTab tab : {MainTab::History, MainTab::Snippets, MainTab::Stats}) {
                f.state.setMainTab(tab);
                settle();
                QWidget* page = window.root()->tabView();
                auto* scroll = qobject_cast<QScrollArea*>(page);
                if (!scroll) {
                    scroll = page->findChild<QScrollArea*>();
                }
                QVERIFY(scroll);
                const QString name = QStringLiteral("window-%1-long-%2")
                                         .arg(MainTabs::rawValue(tab).toLower(), appearance);
                checkFits(scroll, name);
                if (QTest::currentTestFailed()) {
                    return;
                }
                render(window, name);
            }
        }

        // The history: two whole lines at most, the last one cut short with "…".
        f.state.setMainTab(MainTab::History);
        settle();
        auto* history = qobject_cast<HistoryView*>(window.root()->tabView());
        QCOMPARE(history->rows().size(), 4);
        const QStringList url = shownLines(history->rows()[1]);
        QCOMPARE(url.size(), 2);
        QVERIFY2(url[0].startsWith(QStringLiteral("https://example.com/a/")), qPrintable(url[0]));
        QVERIFY(url[1].endsWith(QChar(0x2026)));
        QCOMPARE(shownLines(history->rows()[3]),
                 QStringList({QStringLiteral("first second third fourth fifth sixth seventh")}));
        // Snippets: a one-line title over two lines of the body.
        f.state.setMainTab(MainTab::Snippets);
        settle();
        auto* snippets = qobject_cast<SnippetsView*>(window.root()->tabView());
        const QStringList lines = shownLines(snippets->rows()[1]);
        QCOMPARE(lines, QStringList({QStringLiteral("Lines"), QStringLiteral("first"),
                                     QStringLiteral("second…")}));
        // Most copied: one line each.
        f.state.setMainTab(MainTab::Stats);
        settle();
        auto* stats = qobject_cast<StatsView*>(window.root()->tabView());
        for (TopContentRow* row : stats->rows()) {
            QCOMPARE(shownLines(row).size(), 1);
        }
    }

    void tilesShowWholeLinesBrokenBetweenWords() {
        Fixture f;
        MainWindow window(f.context);
        window.resize(window.minimumSize());
        window.show();
        settle();
        auto* slots = qobject_cast<SlotsView*>(window.root()->tabView());
        SlotTile* tile = slots->tile(1);
        const QStringList lines = tile->previewLines();
        QVERIFY2(lines.size() >= 2 && lines.size() <= 4, qPrintable(lines.join(u'|')));
        QVERIFY(lines.size() * QFontMetrics(tile->previewFont()).lineSpacing() <=
                tile->previewArea().height());
        QVERIFY(lines.back().endsWith(QChar(0x2026)));
        // Lines break between words: every word of a line is a word of the text.
        const QStringList words = tileText.split(u' ');
        for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
            for (const QString& word : lines[i].split(u' ')) {
                QVERIFY2(words.contains(word), qPrintable(lines.join(u'|')));
            }
        }
        render(*slots, "slots-long");
    }

    void anEmptyPreviewShowsTheKindsName() {
        Fixture f;
        // Blanks the preview keeps: a zero-width space and a word joiner.
        const ClipboardItem invisible =
            ClipboardItem::makeText(QStringLiteral(" \u200B \u2060 "), f.clock.now());
        f.state.slots().addHistory(invisible);
        f.state.stats().recordCopy(invisible, 2);
        HistoryView history(f.context);
        StatsView stats(f.context);
        for (QWidget* view : std::initializer_list<QWidget*>{&history, &stats}) {
            view->resize(760, 480);
            view->show();
        }
        settle();
        QCOMPARE(shownLines(history.rows()[0]), QStringList({QStringLiteral("text")}));
        QCOMPARE(shownLines(history.rows()[1]), QStringList({QStringLiteral("text")}));
        QCOMPARE(stats.rows().size(), 5);
        QStringList shown;
        for (TopContentRow* row : stats.rows()) {
            shown << shownLines(row);
        }
        QCOMPARE(shown.count(QStringLiteral("text")), 2);
    }

    void aSearchHidesTheRowsItDoesNotMatch() {
        Fixture f;
        for (const char* text : {"apple pie", "banana split", "apple tart"}) {
            f.state.slots().addHistory(ClipboardItem::makeText(QString::fromUtf8(text)));
        }
        HistoryView history(f.context);
        history.resize(760, 560);
        history.show();
        settle();
        QTest::keyClicks(history.findChild<SearchField*>()->edit(), QStringLiteral("apple"));
        settle();
        QStringList visible;
        QStringList hidden;
        const QList<HistoryRow*> rows = history.findChildren<HistoryRow*>();
        QCOMPARE(rows.size(), 7);
        for (HistoryRow* row : rows) {
            (row->isVisibleTo(&history) ? visible : hidden) << shownLines(row).join(u' ');
        }
        visible.sort();
        QCOMPARE(visible, QStringList({QStringLiteral("apple pie"), QStringLiteral("apple tart")}));
        QCOMPARE(hidden.size(), 5);
        QVERIFY(hidden.contains(QStringLiteral("banana split")));
        QCOMPARE(history.rows().size(), 2);
    }
};

QTEST_MAIN(LongContentTest)
#include "tst_longcontent.moc"
