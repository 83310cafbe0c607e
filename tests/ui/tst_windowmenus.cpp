// The window's menus and dialogs driven with the mouse and keys under the offscreen platform:
// a tile's "Slot actions", the history's "Send to a slot" and the statistics' "Load into a
// slot" change the store from the menu's own click, and stay open and usable while the store
// changes under them; "Clear all" asks with Cancel as the default; a drop names another
// filled slot or moves nothing.
#include "WindowFixture.h"
#include "ui/IconChipButton.h"
#include "window/history/HistoryRow.h"
#include "window/history/HistoryView.h"
#include "window/slots/SlotTile.h"
#include "window/slots/SlotsView.h"
#include "window/stats/StatsView.h"
#include "window/stats/TopContentRow.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QTest>

namespace {

struct Fixture : WindowFixture {
    // A slot's text; none for an empty slot.
    QString text(int slot) {
        const auto item = state.slots().item(slot);
        return item ? item->text.value_or(QString()) : QStringLiteral("none");
    }
};

// Shows `view` at the given size, once it is on the screen.
bool showAt(QWidget& view, int width, int height) {
    view.resize(width, height);
    view.show();
    return QTest::qWaitForWindowExposed(&view);
}

QMenu* shownMenu() {
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

// Clicks a menu button and returns the menu it opened.
QMenu* openMenu(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    QMenu* menu = shownMenu();
    return menu && QTest::qWaitForWindowExposed(menu) ? menu : nullptr;
}

// Clicks the entry titled `title` of `menu` where it is drawn; an entry with a submenu returns
// the submenu once it shows.
QMenu* choose(QMenu* menu, const QString& title) {
    if (!menu || !menu->isVisible()) {
        return nullptr;
    }
    for (QAction* action : menu->actions()) {
        if (action->text() != title) {
            continue;
        }
        // The pointer travels onto the entry in several motions, as a hand moves it: from Qt
        // 6.8 on, a menu takes no click from a pointer that jumped onto an entry in one motion
        // since it opened (the real pointer under X11 is checked by tst_x11menus).
        const QPoint at = menu->actionGeometry(action).center();
        for (int step = 8; step >= 0; --step) {
            QTest::mouseMove(menu, at - QPoint(0, 2 * step));
        }
        QTest::mouseClick(menu, Qt::LeftButton, {}, at);
        if (QMenu* sub = action->menu()) {
            return QTest::qWaitFor([sub] { return sub->isVisible(); }) ? sub : nullptr;
        }
        return menu;
    }
    return nullptr;
}

// Runs deferred deletions, so a menu that goes once it is closed is gone.
void settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// Opens the menu of `button`, clicks through `titles` (an entry, then one of its submenu) and
// lets the closed menus go; true when every entry was there.
bool pick(QAbstractButton* button, const QStringList& titles) {
    QMenu* menu = openMenu(button);
    for (const QString& title : titles) {
        menu = choose(menu, title);
    }
    settle();
    return menu;
}

QPushButton* button(QWidget* in, const QString& text) {
    for (QPushButton* b : in->findChildren<QPushButton*>()) {
        if (b->text() == text) {
            return b;
        }
    }
    return nullptr;
}

} // namespace

class WindowMenusTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void tileMenuEntriesChosenWithTheMouseChangeTheStore() {
        Fixture f;
        f.fill(1, QStringLiteral("one"));
        f.fill(2, QStringLiteral("two"));
        SlotsView view(f.context);
        QVERIFY(showAt(view, 900, 600));

        // Pin: the store changes from inside the menu's own click.
        QVERIFY(pick(view.tile(1)->actionsButton(), {"Pin"}));
        QVERIFY(f.state.slots().isPinned(1));
        QVERIFY(view.tile(1)->isPinned());
        QVERIFY(!shownMenu());
        // Move to slot, Slot 7: the content and its pin go to 7, and 7's (none) to 1.
        QVERIFY(pick(view.tile(1)->actionsButton(), {"Move to slot", "Slot 7"}));
        QCOMPARE(f.text(7), "one");
        QVERIFY(f.state.slots().isPinned(7) && view.tile(7)->isPinned());
        QVERIFY(!f.state.slots().item(1));
        QVERIFY(!view.tile(1)->actionsButton()->isVisibleTo(view.tile(1)));
        // The next menu tells what the slot is now.
        QVERIFY(pick(view.tile(7)->actionsButton(), {"Unpin"}));
        QVERIFY(!f.state.slots().isPinned(7));
        QVERIFY(pick(view.tile(7)->actionsButton(), {"Delete slot content"}));
        QVERIFY(!f.state.slots().item(7));
        QCOMPARE(view.tile(7)->item(), std::nullopt);
        QCOMPARE(f.text(2), "two");
    }

    void anOpenMenuOutlivesStoreChanges() {
        Fixture f;
        f.fill(1, QStringLiteral("one"));
        f.state.slots().addHistory(ClipboardItem::makeText(QStringLiteral("older entry")));
        f.state.stats().recordCopy(ClipboardItem::makeText(QStringLiteral("often")), 4);

        // A tile's menu: a capture into another slot arrives while it is open.
        SlotsView slots(f.context);
        QVERIFY(showAt(slots, 900, 600));
        QPointer<QMenu> menu = openMenu(slots.tile(1)->actionsButton());
        QVERIFY(menu);
        f.fill(5, QStringLiteral("captured meanwhile"));
        settle();
        QVERIFY(menu && menu->isVisible());
        QCOMPARE(shownMenu(), menu.data());
        QVERIFY(choose(menu, QStringLiteral("Pin")));
        settle();
        QVERIFY(f.state.slots().isPinned(1));
        QVERIFY(!menu); // closed menus go
        slots.hide();

        // "Send to a slot": a newer entry takes the row's place; the menu still sends the
        // entry it was opened for.
        HistoryView history(f.context);
        QVERIFY(showAt(history, 700, 500));
        menu = openMenu(history.rows().first()->sendButton());
        QVERIFY(menu);
        f.clock.advance(5);
        f.state.slots().addHistory(ClipboardItem::makeText(QStringLiteral("newer entry")));
        settle();
        QCOMPARE(history.rows().first()->previewText(), QStringLiteral("newer entry"));
        QVERIFY(menu && menu->isVisible());
        QVERIFY(choose(menu, QStringLiteral("Slot 3")));
        settle();
        QCOMPARE(f.text(3), "older entry");
        QVERIFY(!shownMenu());
        history.hide();

        // "Load into a slot": a copy recorded meanwhile rebuilds the list under the menu.
        StatsView stats(f.context);
        QVERIFY(showAt(stats, 800, 700));
        menu = openMenu(stats.rows().first()->loadButton());
        QVERIFY(menu);
        f.state.stats().recordCopy(ClipboardItem::makeText(QStringLiteral("another")), 6);
        settle();
        QCOMPARE(stats.rows().size(), 2);
        QVERIFY(menu && menu->isVisible());
        QVERIFY(choose(menu, QStringLiteral("Slot 0")));
        settle();
        QCOMPARE(f.text(0), "often");
        QVERIFY(!shownMenu());
    }

    void clearAllAsksWithCancelAsTheDefault() {
        Fixture f;
        f.fill(1, QStringLiteral("goes"));
        f.fill(2, QStringLiteral("stays"));
        f.state.slots().togglePinned(2);
        SlotsView view(f.context);
        QVERIFY(showAt(view, 900, 600));
        QPushButton* clearAll = button(&view, QStringLiteral("Clear all"));
        QVERIFY(clearAll);

        // Return and Escape right after "Clear all" both cancel.
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            QTest::mouseClick(clearAll, Qt::LeftButton);
            QPointer<QMessageBox> box = view.findChild<QMessageBox*>();
            QVERIFY(box);
            QVERIFY(QTest::qWaitForWindowExposed(box));
            const QString byDefault = box->defaultButton() ? box->defaultButton()->text() : "";
            // The key goes where the dialog's keyboard focus is.
            QTest::keyClick(box->focusWidget() ? box->focusWidget() : box.data(), key);
            settle();
            QCOMPARE(f.text(1), "goes");
            QVERIFY2(!box || !box->isVisible(), "the dialog closes");
            QCOMPARE(byDefault, QStringLiteral("Cancel"));
        }
        settle();

        // Only the destructive button clears, and pinned slots stay.
        QTest::mouseClick(clearAll, Qt::LeftButton);
        QMessageBox* box = view.findChild<QMessageBox*>();
        QVERIFY(box);
        QCOMPARE(box->text(), QStringLiteral("Clear all unpinned slots?"));
        QCOMPARE(box->informativeText(), QStringLiteral("Pinned slots are kept."));
        QCOMPARE(box->buttons().size(), 2);
        QPushButton* clear = button(box, QStringLiteral("Clear unpinned slots"));
        QVERIFY(clear);
        QTest::mouseClick(clear, Qt::LeftButton);
        QVERIFY(!f.state.slots().item(1));
        QCOMPARE(f.text(2), "stays");
    }

    // Only "+N" or "N" of another slot that holds something moves; the two swap.
    void aDropNamesAFilledSlotOrMovesNothing() {
        Fixture f;
        f.fill(0, QStringLiteral("zero"));
        f.fill(2, QStringLiteral("two"));
        f.fill(4, QStringLiteral("four"));
        SlotsView view(f.context);
        QVERIFY(showAt(view, 900, 600));
        auto drop = [&](SlotTile* tile, const QString& text) {
            QMimeData mime;
            mime.setText(text);
            const QPointF at = QRectF(tile->rect()).center();
            QDragEnterEvent enter(at.toPoint(), Qt::MoveAction, &mime, Qt::LeftButton, {});
            QCoreApplication::sendEvent(tile, &enter);
            QDropEvent event(at, Qt::MoveAction, &mime, Qt::LeftButton, {});
            QCoreApplication::sendEvent(tile, &event);
            return event.isAccepted();
        };
        // Itself, an empty slot, no slot, not a number, and long numbers that wrap to one.
        for (const char* text : {"2", "7", "12", "10", "", "abc", "4x", "-4", "12345678901",
                                 "4294967296", "-12345678901"}) {
            QVERIFY2(!drop(view.tile(2), QString::fromLatin1(text)), text);
            QVERIFY2(f.text(2) == u"two", text);
        }
        QCOMPARE(f.text(0), "zero");
        QCOMPARE(f.text(4), "four");
        QVERIFY(drop(view.tile(2), QStringLiteral("+4")));
        QCOMPARE(f.text(2), "four");
        QCOMPARE(f.text(4), "two");
    }
};

QTEST_MAIN(WindowMenusTest)
#include "tst_windowmenus.moc"
