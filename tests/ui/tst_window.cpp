// The main window under the offscreen platform: the root view's tab bar, banner and tab
// commands, the Slots tab (tiles, menu, footer), the History, Snippets and Stats tabs, and
// Settings (recording, the shortcuts card). Rendered images go to build/tests/artifacts.
#include "MenuTitles.h"
#include "RenderArtifact.h"
#include "TestImages.h"
#include "WindowFixture.h"
#include "platform/gnome/GnomeShortcutEntries.h"
#include "platform/x11/KeyCodeMap.h"
#include "platform/xdg/AutostartEntry.h"
#include "ui/CapsuleSegmented.h"
#include "ui/IconChipButton.h"
#include "ui/StyledButton.h"
#include "ui/ThemedSwitch.h"
#include "window/HotkeysBanner.h"
#include "window/KeyRecorder.h"
#include "window/MainWindow.h"
#include "window/RootView.h"
#include "window/history/HistoryRow.h"
#include "window/history/HistoryView.h"
#include "window/history/SearchField.h"
#include "window/settings/SettingsView.h"
#include "window/settings/ShortcutRecorderRow.h"
#include "window/settings/ShortcutsAvailabilityCard.h"
#include "window/settings/ShortcutsAvailabilityText.h"
#include "window/slots/ShortcutBox.h"
#include "window/slots/ShortcutFooter.h"
#include "window/slots/SlotTile.h"
#include "window/slots/SlotsView.h"
#include "window/snippets/SnippetRow.h"
#include "window/snippets/SnippetsView.h"
#include "window/stats/MetricCard.h"
#include "window/stats/PastedBars.h"
#include "window/stats/StatsView.h"
#include "window/stats/TopContentRow.h"

#include <QAccessible>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <utility>

namespace {

using Fixture = WindowFixture;

// The program's key code for an X11 one, as the recorder reads a key press.
std::optional<quint16> x11KeyCode(quint32 native) {
    return native <= 255 ? KeyCodeMap::fromX11(static_cast<quint8>(native)) : std::nullopt;
}

// A key press with its X11 key code, sent to `to`.
void press(QObject* to, int key, Qt::KeyboardModifiers mods, quint32 native) {
    QKeyEvent e(QEvent::KeyPress, key, mods, native, 0, 0);
    QCoreApplication::sendEvent(to, &e);
}

std::optional<QString> text(const char* s) {
    return QString::fromUtf8(s);
}

// GNOME's custom keyboard shortcuts as the card sees them: each request is noted and answered
// later, by answer().
struct FakeGnome : GnomeShortcuts {
    Status now;
    QStringList calls;
    HotkeyConfig written;
    Done pending;
    QList<Clash> taken;
    Status status() const override { return now; }
    QList<Entry> entries(const HotkeyConfig& c) const override {
        const bool shift = c.copyModifiers.contains(Modifiers::shift);
        QList<Entry> out;
        for (int n = 0; n <= 9; ++n) {
            out.append(
                {QString(), QStringLiteral("Stashwick: copy into slot %1").arg(n), QString(),
                 QString::fromLatin1(shift ? "<Control><Shift>%1" : "<Control><Alt>%1").arg(n)});
        }
        return out;
    }
    QList<Clash> clashes(const HotkeyConfig&) const override { return taken; }
    void start(State state, const QString& call, Done done) {
        now.state = state;
        calls << call;
        pending = std::move(done);
    }
    void check(Done done) override { start(State::Checking, "check", std::move(done)); }
    void add(const HotkeyConfig& c, Done done) override {
        written = c;
        start(State::Adding, "add", std::move(done));
    }
    void update(const HotkeyConfig& c, Done done) override {
        written = c;
        start(State::Updating, "update", std::move(done));
    }
    void remove(Done done) override { start(State::Removing, "remove", std::move(done)); }
    void freeClashes(const HotkeyConfig&, Done done) override {
        start(State::Freeing, "free", std::move(done));
    }
    void answer(State state, int present, const QString& failure = {}) {
        now.failedRequest = state == State::Failed ? now.state : State::Unknown;
        now.state = state;
        now.present = present;
        now.failure = failure;
        std::exchange(pending, nullptr)();
    }
};

} // namespace

class WindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void tabsBannerAndCommands() {
        Fixture f;
        MainWindow window(f.context);
        window.show();
        RootView* root = window.root();
        QCOMPARE(root->tabBar()->selection(), "slots");
        QVERIFY(qobject_cast<SlotsView*>(root->tabView()));
        // Shortcuts are off and this is no automation run: the banner shows, not on Settings.
        QVERIFY(root->banner()->isVisible());
        QVERIFY(root->banner()->text().contains("X11 session with the XTEST"));
        root->banner()->openSettingsButton()->click();
        QCOMPARE(f.state.mainTab(), MainTab::Settings);
        QVERIFY(!root->banner()->isVisible());
        QCOMPARE(root->tabBar()->selection(), "settings");

        // The window follows the tab from anywhere; tab commands wrap around.
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(f.state.mainTab(), MainTab::Slots);
        QTest::keyClick(&window, Qt::Key_BraceLeft, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(f.state.mainTab(), MainTab::Settings);
        QTest::keyClick(&window, Qt::Key_BracketRight, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(f.state.mainTab(), MainTab::Slots);
        f.state.setMainTab(MainTab::History);
        QVERIFY(qobject_cast<HistoryView*>(root->tabView()));
        QVERIFY(root->banner()->isVisible());
        f.state.setEventTapActive(true);
        QVERIFY(!root->banner()->isVisible());
        // In a Wayland session it says why, in the session's terms.
        SessionReport report;
        report.session = QStringLiteral("wayland");
        report.offReason = QStringLiteral("this compositor lets no program press keys");
        f.context.session = [&] { return report; };
        MainWindow wayland(f.context);
        f.state.setEventTapActive(false);
        QCOMPARE(wayland.root()->banner()->text(),
                 "Shortcuts are off \u2014 this compositor lets no program press keys.");

        // Closing hides the window and keeps it, with its tab.
        QTest::keyClick(&window, Qt::Key_W, Qt::ControlModifier);
        QVERIFY(!window.isVisible());
        window.present();
        QCOMPARE(root->tabBar()->selection(), "history");
        QCOMPARE(window.minimumSize(), QSize(760, 560));

        // An automation run never shows the banner.
        AppState automation{StoreContainer::make(true, std::nullopt, nullptr), f.pasteboard,
                            f.clock, true};
        RootView quiet(WindowContext{automation, f.theme, f.defaults, f.thumbnails, f.desktop});
        quiet.show();
        QVERIFY(!quiet.banner()->isVisible());
    }

    void everyControlHasANameAndTakesTheKeyboard() {
        Fixture f;
        f.fill(1, QStringLiteral("named"));
        f.state.slots().addHistory(ClipboardItem::makeText(QStringLiteral("a row")));
        MainWindow window(f.context);
        window.show();
        for (MainTab tab : MainTabs::all) {
            f.state.setMainTab(tab);
            QCoreApplication::processEvents();
            int controls = 0;
            for (QWidget* w : window.findChildren<QWidget*>()) {
                if (!w->isVisible() || w->focusPolicy() == Qt::NoFocus) {
                    continue;
                }
                ++controls;
                QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
                QVERIFY2(a && !a->text(QAccessible::Name).isEmpty(), w->metaObject()->className());
                QVERIFY(w->focusPolicy() & Qt::TabFocus);
            }
            QVERIFY(controls >= 3); // at least the tab bar, the banner's button and the page
        }
        // Control+F goes to the search field.
        f.state.setMainTab(MainTab::History);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_F, Qt::ControlModifier);
        auto* history = qobject_cast<HistoryView*>(window.root()->tabView());
        QVERIFY(history->search()->edit()->hasFocus());
    }

    void aPaletteChangeRecoloursTheOpenWindow() {
        Fixture f;
        MainWindow window(f.context);
        window.resize(960, 680);
        window.show();
        const QPoint segment = window.root()->tabBar()->mapTo(
            &window, window.root()->tabBar()->segmentRect(0).center().toPoint());
        const QColor before = render(window, "window-slots-light").pixelColor(segment);
        f.defaults.setString(QStringLiteral("themePalette"), QStringLiteral("charcoal"));
        const QColor charcoal = render(window, "window-slots-charcoal").pixelColor(segment);
        QVERIFY2(before != charcoal, qPrintable(before.name() + " " + charcoal.name()));
        f.defaults.setString(QStringLiteral("appearanceMode"), QStringLiteral("dark"));
        const QImage dark = render(window, "window-slots-dark");
        QVERIFY(qGray(dark.pixel(5, 300)) < 60); // the background
        QCOMPARE(window.palette().color(QPalette::Window), f.theme.window());
    }

    // (Pin, move and delete are chosen with the mouse in tst_windowmenus, a click or a key on a
    // tile in tst_keyboard.)
    void tilesShowTheSlotsInKeyboardOrder() {
        Fixture f;
        f.fill(1, QStringLiteral("hello"));
        ClipboardItem files;
        files.kind = ClipboardKind::Files;
        files.files = {"/a/1.txt", "/a/2.txt", "/a/3.txt", "/a/4.txt", "/a/5.txt"};
        files.text = "names";
        f.state.slots().setItem(files, 2);
        ClipboardItem noBytes;
        noBytes.kind = ClipboardKind::Image;
        f.state.slots().setItem(noBytes, 3);
        f.fill(0, QStringLiteral("pinned"));
        f.state.slots().togglePinned(0);
        SlotsView view(f.context);
        view.resize(900, 600);
        view.show();
        QList<int> order;
        for (SlotTile* t : view.tiles()) {
            order << t->index();
        }
        QCOMPARE(order, QList<int>({1, 2, 3, 4, 5, 6, 7, 8, 9, 0}));
        QCOMPARE(view.tile(1)->accessibleName(), "Slot 1: hello");
        QCOMPARE(view.tile(4)->accessibleName(), "Slot 4: empty");
        QCOMPARE(view.tile(0)->accessibleName(), "Slot 0: pinned, pinned");
        QVERIFY(!view.tile(4)->actionsButton()->isVisibleTo(view.tile(4)));
        // A pinned tile: a 1-wide accent border at 55 %, whatever the hover.
        const auto [colour, width] = view.tile(0)->border();
        QCOMPARE(width, 1.0);
        QCOMPARE(colour.alpha(), qRound(255 * 0.55));
        render(view, "slots-tab");

        // The menu: transforms, every other slot, pin, delete.
        QMenu* menu = view.tile(1)->openActionsMenu();
        QCOMPARE(menuTitles(menu),
                 QStringList({"Copy as", "Move to slot", "Pin", "Delete slot content"}));
        QCOMPARE(menuTitles(menu->actions()[0]->menu()),
                 QStringList({"Original", "Plain text", "lowercase", "UPPERCASE", "Title Case",
                              "Trimmed"}));
        QCOMPARE(menuTitles(menu->actions()[1]->menu()),
                 QStringList({"Slot 2", "Slot 3", "Slot 4", "Slot 5", "Slot 6", "Slot 7", "Slot 8",
                              "Slot 9", "Slot 0"}));
        QCOMPARE(menuTitles(view.tile(0)->openActionsMenu())[2], "Unpin");
        // Copy as UPPERCASE: the clipboard gets it, the slot keeps its own.
        menu->actions()[0]->menu()->actions()[3]->trigger();
        QCOMPARE(f.pasteboard.data("text/plain"), std::optional<QByteArray>("HELLO"));
        QCOMPARE(f.state.slots().item(1)->text, text("hello"));
    }

    // (Clearing all and dropping are done with the mouse in tst_windowmenus.)
    void theFooterListsConflicts() {
        Fixture f;
        f.held = {KeyChord{20, Modifiers(12)}};
        SlotsView view(f.context);
        QCOMPARE(view.footer()->conflictLines(),
                 QStringList({"Control + Alt + 3 overlaps Already taken by another program"}));
        // A chord the desktop reserves shows at once, on every digit.
        HotkeyConfig config;
        config.copyModifiers = Modifiers(Modifiers::command);
        config.save(f.defaults);
        QCOMPARE(view.footer()->conflictLines().size(), 10);

        // Where the desktop's shortcut settings give the chords, the footer shows the keys it
        // assigned: one pattern when every slot follows it, the window's shortcut as it is.
        SessionReport report;
        report.chords = SessionReport::Chords::DesktopShortcuts;
        for (int n = 0; n <= 9; ++n) {
            report.assignedTriggers.append(
                {QStringLiteral("Copy into slot %1").arg(n), QStringLiteral("Ctrl+Alt+%1").arg(n)});
            report.assignedTriggers.append(
                {QStringLiteral("Paste slot %1").arg(n),
                 n == 4 ? QStringLiteral("Meta+F4") : QStringLiteral("Ctrl+Meta+%1").arg(n)});
        }
        f.context.session = [&] { return report; };
        ShortcutFooter footer(f.context);
        QStringList boxes;
        for (const ShortcutBox* box : footer.findChildren<ShortcutBox*>()) {
            boxes << box->accessibleName();
        }
        QCOMPARE(boxes, QStringList({"Copy: Ctrl+Alt+N", "Paste: Ctrl+Meta+N \u2026",
                                     "Open window: Not assigned"}));
    }

    void historySearchesAndShowsItsEmptyStates() {
        Fixture f;
        HistoryView view(f.context);
        view.show();
        QCOMPARE(view.emptyTitle(), "Nothing copied yet.");
        QCOMPARE(view.emptyExplanation(),
                 "Everything you copy on this computer lands here automatically.");
        for (int i = 0; i < 203; ++i) {
            f.clock.advance(1);
            f.state.slots().addHistory(ClipboardItem::makeText(QStringLiteral("entry %1").arg(i)));
        }
        f.state.slots().addHistory(ClipboardItem::makeText(QStringLiteral("   ")));
        QCOMPARE(view.rows().size(), 200);
        QCOMPARE(view.rows().first()->previewText(), "text"); // blank preview
        QVERIFY(!view.emptyState()->isVisible());

        QLineEdit* edit = view.search()->edit();
        QVERIFY(!view.search()->clearButton()->isVisible());
        QTest::keyClicks(edit, "ENTRY 19");
        QCOMPARE(view.rows().size(), 11); // "entry 19" and "entry 190" to "entry 199"
        QVERIFY(view.search()->clearButton()->isVisible());
        QTest::keyClicks(edit, "x");
        QCOMPARE(view.emptyTitle(), "No matches.");
        QVERIFY(view.emptyExplanation().isEmpty());
        static_cast<QAbstractButton*>(view.search()->clearButton())->click();
        QCOMPARE(view.rows().size(), 200);

        // Deleting a row reloads the list; sending keeps a slot's pin.
        const QString second = view.rows()[1]->previewText();
        view.rows()[0]->deleteButton()->click();
        QCOMPARE(view.rows().first()->previewText(), second);
        f.fill(5, QStringLiteral("old"));
        f.state.slots().togglePinned(5);
        Q_EMIT view.rows()[0]->sendRequested(view.rows()[0]->entry(), 5);
        QCOMPARE(f.state.slots().item(5)->text, std::optional<QString>(second));
        QVERIFY(f.state.slots().isPinned(5));
        view.rows()[0]->copyButton()->click();
        QCOMPARE(f.pasteboard.data("text/plain"), std::optional<QByteArray>(second.toUtf8()));
        render(view, "history-tab");
    }

    void snippetsAreAddedEditedAndCopied() {
        Fixture f;
        SnippetsView view(f.context);
        view.show();
        QVERIFY(view.emptyState()->isVisible());
        QVERIFY(!view.saveButton()->isEnabled());
        view.titleField()->setText("   ");
        QVERIFY(!view.saveButton()->isEnabled()); // spaces only, no body
        view.bodyField()->setPlainText("  Best regards,\n{slot1}\n");
        QVERIFY(view.saveButton()->isEnabled());
        QVERIFY(!view.cancelButton()->isVisible());
        view.saveButton()->click();
        QCOMPARE(f.state.snippets().all().first().title, "Untitled");
        QCOMPARE(f.state.snippets().all().first().body, "  Best regards,\n{slot1}\n");
        QVERIFY(view.titleField()->text().isEmpty() && view.bodyField()->toPlainText().isEmpty());
        QCOMPARE(view.rows().size(), 1);

        // Copy expands the placeholders; edit, clear the title: shown as "Untitled".
        f.fill(1, QStringLiteral("Ada"));
        view.rows().first()->copyButton()->click();
        QCOMPARE(f.pasteboard.data("text/plain"),
                 std::optional<QByteArray>("  Best regards,\nAda\n"));
        view.rows().first()->editButton()->click();
        QVERIFY(view.cancelButton()->isVisible());
        view.titleField()->setText("Sig");
        view.saveButton()->click();
        QCOMPARE(view.rows().first()->shownTitle(), "Sig");
        view.rows().first()->editButton()->click();
        view.titleField()->clear();
        view.saveButton()->click();
        QCOMPARE(f.state.snippets().all().first().title, QString());
        QCOMPARE(view.rows().first()->shownTitle(), "Untitled");

        // A newer one lists first; deleting the one being edited keeps editing mode, and Save
        // then only clears the fields.
        f.clock.advance(1);
        view.titleField()->setText("Address");
        view.saveButton()->click();
        QCOMPARE(view.rows().first()->shownTitle(), "Address");
        view.rows().first()->editButton()->click();
        view.rows().first()->deleteButton()->click();
        QVERIFY(view.editing().has_value());
        view.saveButton()->click();
        QCOMPARE(f.state.snippets().count(), 1);
        QVERIFY(!view.editing());

        // The info panel closes with Escape.
        QPointer<QWidget> info = view.showInfo();
        QVERIFY(info->isVisible());
        QTest::keyClick(info, Qt::Key_Escape);
        QTRY_VERIFY(!info);
    }

    void statsShowTotalsTopContentAndBars() {
        Fixture f;
        StatsView view(f.context);
        view.resize(800, 700);
        view.show();
        QCOMPARE(view.copies()->value(), 0);
        QVERIFY(view.noCopies()->isVisible());
        QCOMPARE(view.bars()->accessibleName(), "Most pasted slots: no activity yet");

        // The most pasted first; a slot never pasted is not listed.
        StatsService& stats = f.state.stats();
        for (int slot : {8, 2, 2, 2}) {
            stats.record(StatsService::Kind::Paste, slot);
        }
        QCOMPARE(view.bars()->accessibleName(), "Most pasted slots: slot 2: 3, slot 8: 1");
        QCOMPARE(PastedBars::barWidth(300, 3, 3), 300.0);
        QCOMPARE(PastedBars::barWidth(300, 1, 3), 100.0);
        QCOMPARE(PastedBars::barWidth(12, 1, 3), 6.0);

        // A copy shows at once; a content too large to keep cannot be loaded.
        ClipboardItem big;
        big.kind = ClipboardKind::Image;
        big.imagePNG = Blob(QByteArray(StatsService::reloadableLimit + 10, 'b'));
        stats.recordCopy(big, 1);
        stats.recordCopy(ClipboardItem::makeText(QStringLiteral("again")), 3);
        stats.recordCopy(ClipboardItem::makeText(QStringLiteral("again")), 3);
        QCOMPARE(view.copies()->value(), 3);
        QCOMPARE(view.rows().size(), 2);
        QVERIFY(!view.noCopies()->isVisible());
        QCOMPARE(view.rows()[0]->entry().preview, "again");
        QVERIFY(view.rows()[0]->loadButton()->isEnabled());
        QVERIFY(!view.rows()[1]->loadButton()->isEnabled());
        QCoreApplication::processEvents();
        render(view, "stats-tab");

        // Loading into slot 0 fills the slot and leaves the statistics as they were.
        const qint64 copies = stats.total(StatsService::Kind::Copy);
        const qint64 pastes = stats.total(StatsService::Kind::Paste);
        view.rows()[0]->openLoadMenu()->actions().last()->trigger(); // "Slot 0"
        QCOMPARE(f.state.slots().item(0)->text, text("again"));
        QCOMPARE(stats.total(StatsService::Kind::Copy), copies);
        QCOMPARE(stats.total(StatsService::Kind::Paste), pastes);
    }

    void theKeyRecorderTakesOneChordByItsPhysicalKey() {
        Fixture f;
        MainWindow window(f.context);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        KeyRecorder recorder(x11KeyCode);
        QList<KeyChord> captured;
        recorder.onCapture = [&](const KeyChord& c) { captured << c; };
        recorder.start();
        recorder.start(); // a second start adds nothing
        press(&window, Qt::Key_Escape, Qt::NoModifier, 9);
        QVERIFY(!recorder.isRecording());
        QVERIFY(captured.isEmpty());

        recorder.start();
        press(&window, Qt::Key_Control, Qt::ControlModifier, 37); // a modifier alone: recording
        QVERIFY(recorder.isRecording());
        // Control+Alt+Super+B with Caps Lock on: the lock is no part of the chord; "B" is the
        // key where B is on a US keyboard (X11 key code 56), whatever the layout says.
        press(&window, Qt::Key_Z, Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier, 56);
        QCOMPARE(captured, QList<KeyChord>({KeyChord{11, Modifiers(13)}}));
        QVERIFY(!recorder.isRecording());

        // While recording, window shortcuts do not fire; stop() ends it without a chord.
        recorder.start();
        QTest::keyClick(&window, Qt::Key_W, Qt::ControlModifier);
        QVERIFY(window.isVisible());
        recorder.stop();
        QCOMPARE(captured.size(), 1);
    }

    // (The appearance and palette pickers are driven from the keyboard in tst_keyboard.)
    void settingsRecordShortcutsAndKeepPreferences() {
        Fixture f;
        bool available = false;
        int rechecks = 0;
        f.context.shortcutsAvailable = [&] { return available; };
        f.context.recheckShortcuts = [&] {
            ++rechecks;
            available = true;
        };
        f.context.keyCodeOf = x11KeyCode;
        QList<HotkeyConfig> applied;
        f.state.reloadHotkeys = [&](const HotkeyConfig& c) {
            applied << c;
            c.save(f.defaults);
        };
        SettingsView view(f.context);
        view.show();
        QCOMPARE(view.availability()->text(), "Shortcuts unavailable");
        view.recheckButton()->click();
        QCOMPARE(rechecks, 1);
        QCOMPARE(view.availability()->text(), "Shortcuts available");

        // Copy row: Control+Alt held with 7 keeps only the modifiers.
        view.copyRow()->button()->click();
        QCOMPARE(view.copyRow()->shownText(), "Press keys\u2026");
        press(qApp, Qt::Key_7, Qt::ControlModifier | Qt::AltModifier, 16);
        QCOMPARE(applied.last().copyModifiers, Modifiers(Modifiers::control | Modifiers::option));
        QCOMPARE(view.copyRow()->shownText(), "Control + Alt + N");
        // Super for copy collides with the desktop's own shortcuts: listed at once.
        view.copyRow()->button()->click();
        press(qApp, Qt::Key_1, Qt::MetaModifier, 10);
        QCOMPARE(view.conflictLines().size(), 9);
        // Summon keeps the whole chord; a second click stops a recording unchanged.
        view.summonRow()->button()->click();
        press(qApp, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier, 45);
        QCOMPARE(applied.last().summon, (KeyChord{40, Modifiers(6)}));
        const int before = static_cast<int>(applied.size());
        view.pasteRow()->button()->click();
        view.pasteRow()->button()->click();
        QVERIFY(!view.pasteRow()->recorder().isRecording());
        QCOMPARE(applied.size(), before);
        view.resetShortcuts();
        QCOMPARE(applied.last(), HotkeyConfig::defaults());
        QVERIFY(view.conflictLines().isEmpty());

        // The switch writes the autostart entry.
        view.launchAtLogin()->click();
        QVERIFY(AutostartEntry::isEnabled());
        view.launchAtLogin()->click();
        QVERIFY(!AutostartEntry::isEnabled());
        render(view, "settings-tab");
    }

    void theCardsWordingForEverySession_data() {
        using C = SessionReport::Chords;
        using S = GnomeShortcuts::State;
        QTest::addColumn<int>("chords");
        QTest::addColumn<bool>("available");
        QTest::addColumn<bool>("keys");
        QTest::addColumn<QString>("offReason");
        QTest::addColumn<int>("gnome"); // -1: not GNOME's shortcuts
        QTest::addColumn<int>("present");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("says");
        QTest::addColumn<QString>("offers"); // on, copyable, add, remove
        QTest::addColumn<int>("lines");
        const auto row = [](const char* name, C chords, bool available, bool keys,
                            const QString& offReason, int gnome, int present,
                            const QString& failure, const QString& status, const QString& says,
                            const QString& offers, int lines) {
            QTest::newRow(name) << int(chords) << available << keys << offReason << gnome << present
                                << failure << status << says << offers << lines;
        };
        row("X11", C::X11Grabs, true, true, {}, -1, 0, {}, "Shortcuts available", "(XTEST)", "on",
            0);
        row("off, no reason", C::Off, false, false, {}, -1, 0, {}, "Shortcuts unavailable",
            "need an X11 session with XTEST", "", 0);
        row("off with the reason", C::Off, false, false, "no keys here", -1, 0, {},
            "Shortcuts unavailable", "Shortcuts are off: no keys here. The slots", "", 0);
        row("waiting", C::Waiting, false, true, {}, -1, 0, {},
            "Asking the desktop for shortcuts\u2026", "waiting for the desktop's", "", 0);
        row("desktop shortcuts", C::DesktopShortcuts, true, true, {}, -1, 0, {},
            "Shortcuts from your desktop", "change them there", "on", 2);
        row("sway", C::CompositorBindings, true, true, {}, -1, 0, {},
            "Shortcuts from your compositor's key bindings", "~/.config/sway/config", "on copyable",
            21);
        row("GNOME, reading", C::GnomeShortcuts, true, true, {}, int(S::Checking), 0, {},
            "Reading GNOME's keyboard shortcuts\u2026", "looking for its shortcuts", "", 0);
        row("GNOME, absent", C::GnomeShortcuts, false, true, {}, int(S::Absent), 0, {},
            "Not in GNOME's keyboard shortcuts yet", "puts these 21 into Settings", "add", 21);
        row("GNOME, partial", C::GnomeShortcuts, false, true, {}, int(S::Partial), 5, {},
            "Only 5 of the 21 shortcuts are in GNOME's keyboard shortcuts", "Some were removed",
            "add remove", 21);
        row("GNOME, added", C::GnomeShortcuts, true, true, {}, int(S::Added), 21, {},
            "Shortcuts from GNOME's keyboard shortcuts", "A chord recorded below", "on remove", 21);
        row("GNOME, added, no keys yet", C::GnomeShortcuts, true, false, {}, int(S::Added), 21, {},
            "Shortcuts from GNOME's keyboard shortcuts", "Until GNOME lets Stashwick press",
            "on remove", 21);
        row("GNOME, added, keys refused", C::GnomeShortcuts, true, false,
            "the portal does not know Stashwick", int(S::Added), 21, {},
            "Shortcuts from GNOME's keyboard shortcuts",
            "paste. Keys: the portal does not know Stashwick.", "on remove", 21);
        row("GNOME, updating", C::GnomeShortcuts, true, true, {}, int(S::Updating), 21, {},
            "Updating GNOME keyboard shortcuts\u2026", "gsettings is writing", "remove", 21);
        row("GNOME, no schema", C::GnomeShortcuts, false, true, {}, int(S::Failed), 0,
            "No such schema", "Could not add to GNOME keyboard shortcuts",
            "package gnome-settings-daemon-common", "add", 21);
        row("GNOME, failed", C::GnomeShortcuts, false, true, {}, int(S::Failed), 0,
            "gsettings did not answer", "Could not add to GNOME keyboard shortcuts",
            "gsettings did not answer. Try again, or add these", "add", 21);
    }
    void theCardsWordingForEverySession() {
        QFETCH(int, chords);
        QFETCH(bool, available);
        QFETCH(bool, keys);
        QFETCH(QString, offReason);
        QFETCH(int, gnome);
        QFETCH(int, present);
        QFETCH(QString, failure);
        SessionReport report;
        report.chords = static_cast<SessionReport::Chords>(chords);
        report.keystrokes = keys ? QStringLiteral("virtual-keyboard") : QStringLiteral("none");
        report.offReason = offReason;
        report.assignedTriggers = {{"Copy into slot 0", "Ctrl+Alt+0"}, {"Open Stashwick", ""}};
        GnomeShortcuts::Status status;
        status.state = static_cast<GnomeShortcuts::State>(std::max(gnome, 0));
        status.present = present;
        status.failure = failure;
        status.failedRequest = GnomeShortcuts::State::Adding;
        const HotkeyConfig config;
        XdgDesktopServices desktop(QStringLiteral("/usr/bin/stashwick"), nullptr);
        const auto text = ShortcutsAvailabilityText::of(
            report, available, desktop.compositorBindings(config, QStringLiteral("sway")),
            gnome >= 0 ? &status : nullptr,
            gnome >= 0 ? GnomeShortcutEntries::entries(config, "/usr/bin/stashwick")
                       : QList<GnomeShortcuts::Entry>());
        QTEST(text.status, "status");
        QFETCH(QString, says);
        QVERIFY2(text.explanation.contains(says), qPrintable(text.explanation));
        QFETCH(QString, offers);
        const QStringList offered = offers.split(u' ', Qt::SkipEmptyParts);
        QCOMPARE(text.on, offered.contains("on"));
        QCOMPARE(text.copyable, offered.contains("copyable"));
        QCOMPARE(text.gnomeAdd, offered.contains("add"));
        QCOMPARE(text.gnomeRemove, offered.contains("remove"));
        QTEST(int(text.lines.size()), "lines");
    }

    // In a Wayland session the card says where the chords come from: the compositor's bindings
    // (the lines to add, copied with one click, following a newly recorded chord), the
    // desktop's shortcut settings (the keys it assigned), or nothing yet.
    void settingsCardTellsWhereWaylandChordsComeFrom() {
        Fixture f;
        SessionReport report;
        report.session = QStringLiteral("wayland");
        report.clipboard = QStringLiteral("wlr-data-control");
        report.keystrokes = QStringLiteral("virtual-keyboard");
        report.chords = SessionReport::Chords::CompositorBindings;
        f.context.session = [&] { return report; };
        f.context.shortcutsAvailable = [&] { return report.chordsWork(); };
        f.context.keyCodeOf = x11KeyCode;
        f.state.reloadHotkeys = [&](const HotkeyConfig& c) { c.save(f.defaults); };
        f.state.setMainTab(MainTab::Settings);
        MainWindow window(f.context);
        window.resize(960, 760);
        window.show();
        SettingsView* view = window.findChild<SettingsView*>();
        QVERIFY(view);
        ShortcutsAvailabilityCard* card = view->availabilityCard();
        const auto line = [&](int n) { return card->lines()->toPlainText().split(u'\n').value(n); };
        QCOMPARE(card->lines()->toPlainText().split(u'\n').size(), 21);
        QCOMPARE(line(3),
                 "bindsym Ctrl+Alt+3 exec '/usr/bin/stashwick' 'stashwick://copy-to-slot/3'");
        QVERIFY(card->copyButton()->isVisible());
        card->copyButton()->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), card->lines()->toPlainText());
        render(window, "window-settings-wayland-bindings-light");
        // A chord recorded in Settings changes the lines at once.
        view->copyRow()->button()->click();
        press(qApp, Qt::Key_7, Qt::ControlModifier | Qt::ShiftModifier, 16);
        QCOMPARE(line(3),
                 "bindsym Ctrl+Shift+3 exec '/usr/bin/stashwick' 'stashwick://copy-to-slot/3'");

        report.chords = SessionReport::Chords::DesktopShortcuts;
        report.assignedTriggers = {{"Copy into slot 0", "Ctrl+Alt+0"}, {"Open Stashwick", ""}};
        card->recheckButton()->click();
        QCOMPARE(card->availability()->text(), "Shortcuts from your desktop");
        QCOMPARE(card->lines()->toPlainText(),
                 "Copy into slot 0: Ctrl+Alt+0\nOpen Stashwick: not assigned");
        QVERIFY(!card->copyButton()->isVisible());
        render(window, "window-settings-wayland-desktop-light");
        f.defaults.setString(QStringLiteral("appearanceMode"), QStringLiteral("dark"));
        render(window, "window-settings-wayland-desktop-dark");
        // The views are made again for the new appearance; the shown one holds the same.
        for (SettingsView* v : window.findChildren<SettingsView*>()) {
            view = v->isVisible() ? v : view;
        }
        card = view->availabilityCard();
        QCOMPARE(card->availability()->text(), "Shortcuts from your desktop");
        // Nothing to list: the lines go away.
        report.chords = SessionReport::Chords::Waiting;
        card->recheckButton()->click();
        QCOMPARE(card->availability()->text(), "Asking the desktop for shortcuts\u2026");
        QVERIFY(!card->lines()->isVisible());

        // GNOME: the chords come from GNOME's custom keyboard shortcuts, which the card adds
        // and removes; the answers come later, from gsettings. Its Settings program is a script
        // that notes what it was asked to open.
        QTemporaryDir bin;
        const QString opened = bin.filePath("opened");
        {
            QFile settings(bin.filePath("gnome-control-center"));
            QVERIFY(settings.open(QIODevice::WriteOnly));
            settings.write("#!/bin/sh\necho \"$@\" > '" + opened.toLocal8Bit() + "'\n");
            settings.close();
            settings.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        struct Env {
            QByteArray desktop = qgetenv("XDG_CURRENT_DESKTOP"), path = qgetenv("PATH");
            ~Env() {
                qputenv("XDG_CURRENT_DESKTOP", desktop);
                qputenv("PATH", path);
            }
        } restore;
        qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
        qputenv("PATH", bin.path().toLocal8Bit() + ':' + restore.path);
        report = SessionReport();
        report.session = QStringLiteral("wayland");
        // The remote-desktop portal is there, but GNOME has not let it press keys yet.
        report.keystrokes = QStringLiteral("remote-desktop-portal");
        report.keysAllowed = false;
        report.chords = SessionReport::Chords::GnomeShortcuts;
        const HotkeyConfig defaults;
        HotkeyConfig shifted;
        shifted.copyModifiers = Modifiers::of({Modifiers::control, Modifiers::shift});
        using State = GnomeShortcuts::State;
        for (const QString& mode : {QStringLiteral("light"), QStringLiteral("dark")}) {
            f.defaults.setString(QStringLiteral("appearanceMode"), mode);
            FakeGnome gnome;
            XdgDesktopServices desktop(QStringLiteral("/usr/bin/stashwick"), &gnome);
            // Inside the window, whose palette follows the appearance.
            ShortcutsAvailabilityCard card(
                f.theme, {f.context.session, f.context.shortcutsAvailable, {}, &desktop}, &window);
            const auto shot = [&](const QString& name) {
                card.resize(760, card.heightForWidth(760));
                render(card, "settings-gnome-" + name + "-" + mode);
            };
            const auto status = [&] { return card.availability()->text(); };
            const auto offers = [&](bool add, bool remove) {
                return card.gnomeAddButton()->isVisible() == add &&
                       card.gnomeRemoveButton()->isVisible() == remove;
            };
            const auto third = [&] { return card.lines()->toPlainText().split(u'\n').value(3); };
            card.show();
            card.raise();
            window.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&window));
            card.refresh(defaults);
            QCOMPARE(gnome.calls, QStringList{"check"}); // what GNOME has, read afresh
            QCOMPARE(status(), "Reading GNOME's keyboard shortcuts\u2026");
            QVERIFY(offers(false, false));

            gnome.answer(State::Absent, 0);
            QCOMPARE(status(), "Not in GNOME's keyboard shortcuts yet");
            QVERIFY(card.explanation()->text().contains("Settings \u203a Keyboard"));
            QVERIFY(card.explanation()->text().contains("Until GNOME lets Stashwick press keys"));
            QCOMPARE(third(), "<Control><Alt>3  Stashwick: copy into slot 3");
            QVERIFY(offers(true, false));
            QCOMPARE(card.gnomeAddButton()->accessibleName(), "Add to GNOME keyboard shortcuts");
            shot("not-added");

            // From the keyboard, asked once.
            card.gnomeAddButton()->setFocus();
            QTest::keyClick(card.gnomeAddButton(), Qt::Key_Space);
            QCOMPARE(gnome.calls.last(), "add");
            QCOMPARE(gnome.written, defaults);
            QCOMPARE(status(), "Adding to GNOME keyboard shortcuts\u2026");
            QTest::keyClick(card.gnomeAddButton(), Qt::Key_Space);
            QCOMPARE(gnome.calls.count("add"), 1);
            gnome.answer(State::Added, GnomeShortcuts::entryCount);
            QCOMPARE(status(), "Shortcuts from GNOME's keyboard shortcuts");
            QVERIFY(offers(false, true));
            QVERIFY(card.gnomeRemoveButton()->hasFocus()); // the keyboard stays on the card
            QCOMPARE(card.gnomeRemoveButton()->accessibleName(), "Remove GNOME keyboard shortcuts");
            shot("added");

            // A recorded chord: the card reads GNOME's list again (the program writes the chord
            // there); showing the card again does not.
            card.refresh(shifted);
            QCOMPARE(gnome.calls.last(), "check");
            QVERIFY(!gnome.calls.contains("update"));
            gnome.answer(State::Added, GnomeShortcuts::entryCount);
            QCOMPARE(third(), "<Control><Shift>3  Stashwick: copy into slot 3");
            const qsizetype asked = gnome.calls.size();
            card.refresh(shifted);
            QCOMPARE(gnome.calls.size(), asked);

            QTest::keyClick(card.gnomeRemoveButton(), Qt::Key_Return);
            QCOMPARE(gnome.calls.last(), "remove");
            gnome.answer(State::Failed, GnomeShortcuts::entryCount,
                         QStringLiteral("gsettings did not answer within 10 seconds"));
            QCOMPARE(status(), "Could not remove GNOME keyboard shortcuts");
            QVERIFY(card.explanation()->text().contains("gsettings did not answer within 10"));
            QVERIFY(offers(true, true));
            shot("failed");

            // Only some left (the user removed the others in GNOME's Settings).
            card.recheckButton()->click();
            QCOMPARE(gnome.calls.last(), "check");
            gnome.answer(State::Partial, 12);
            QCOMPARE(status(), "Only 12 of the 21 shortcuts are in GNOME's keyboard shortcuts");
            QVERIFY(offers(true, true));
            shot("partial");

            // GNOME's own shortcuts on the chords: named, and taken off from the keyboard.
            for (int n = 1; n <= 9; ++n) {
                gnome.taken.append({QStringLiteral("<Control><Super>%1").arg(n),
                                    QStringLiteral("Stashwick: paste slot %1").arg(n),
                                    QStringLiteral("org.gnome.shell.keybindings"),
                                    QStringLiteral("open-new-window-application-%1").arg(n)});
            }
            card.recheckButton()->click();
            gnome.answer(State::Partial, 12);
            QVERIFY(card.clash()->isVisible());
            QVERIFY2(card.clash()->text().contains(
                         "GNOME keeps 9 of these chords for its own shortcuts, so they never "
                         "reach Stashwick: <Control><Super>1 (open-new-window-application-1), "
                         "<Control><Super>2 (open-new-window-application-2), <Control><Super>3 "
                         "(open-new-window-application-3) and 6 more."),
                     qPrintable(card.clash()->text()));
            QCOMPARE(card.gnomeFreeButton()->accessibleName(), "Give these keys to Stashwick");
            shot("clash");
            card.gnomeFreeButton()->setFocus();
            QTest::keyClick(card.gnomeFreeButton(), Qt::Key_Space);
            QCOMPARE(gnome.calls.last(), "free");
            QCOMPARE(status(), "Taking the chords off GNOME's own shortcuts\u2026");
            gnome.taken.clear();
            gnome.answer(State::Partial, 12);
            QVERIFY(!card.clash()->isVisible() && !card.gnomeFreeButton()->isVisible());
            QVERIFY(card.recheckButton()->hasFocus());

            // "Open Keyboard Settings" opens GNOME's keyboard panel.
            QFile::remove(opened);
            card.keyboardSettingsButton()->click();
            QVERIFY(QTest::qWaitFor([&] { return QFile(opened).size() > 0; }, 10000));
            QFile said(opened);
            QVERIFY(said.open(QIODevice::ReadOnly));
            QCOMPARE(said.readAll(), QByteArray("keyboard\n"));
        }
        // Without GNOME's Settings program the card says so (a PATH with nothing on it: the
        // system running the test may well have it installed).
        const QTemporaryDir nothing;
        QVERIFY(nothing.isValid());
        qputenv("PATH", nothing.path().toLocal8Bit());
        report.chords = SessionReport::Chords::Off;
        ShortcutsAvailabilityCard plain(
            f.theme, {f.context.session, f.context.shortcutsAvailable, {}, &f.desktop});
        plain.refresh(defaults);
        QVERIFY(!plain.gnomeAddButton()->isVisible() && !plain.gnomeRemoveButton()->isVisible());
        plain.keyboardSettingsButton()->click();
        QVERIFY(plain.keyboardSettingsReason());
        QCOMPARE(plain.keyboardSettingsReason()->text(),
                 "Could not start gnome-control-center keyboard: is it installed?");
    }

    void aRecordingEndsWhenItsTabIsLeftOrTheWindowLosesFocus() {
        Fixture f;
        f.context.keyCodeOf = x11KeyCode;
        QList<HotkeyConfig> applied;
        f.state.reloadHotkeys = [&](const HotkeyConfig& c) { applied << c; };
        f.state.setMainTab(MainTab::Settings);
        MainWindow window(f.context);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto summon = [&] {
            return qobject_cast<SettingsView*>(window.root()->tabView())->summonRow();
        };
        auto typeK = [] { // Control+Shift+K, by its X11 key code
            press(QApplication::activeWindow(), Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier,
                  45);
        };

        ShortcutRecorderRow* row = summon();
        QTest::mouseClick(row->button(), Qt::LeftButton);
        QVERIFY(row->recorder().isRecording());
        CapsuleSegmented* tabs = window.root()->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->segmentRect(0).center().toPoint());
        QCOMPARE(f.state.mainTab(), MainTab::Slots);
        typeK();
        QVERIFY(applied.isEmpty());

        // Back on Settings, recording, then another window takes the keyboard.
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->segmentRect(4).center().toPoint());
        row = summon();
        QTest::mouseClick(row->button(), Qt::LeftButton);
        QVERIFY(row->recorder().isRecording());
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QVERIFY(!row->recorder().isRecording());
        typeK();
        QVERIFY(applied.isEmpty());
        QCOMPARE(HotkeyConfig::load(f.defaults), HotkeyConfig::defaults());
    }

    void imageTilesAndRowsLoadTheirPicturesOffTheMainThread() {
        Fixture f;
        ClipboardItem image;
        image.kind = ClipboardKind::Image;
        image.imagePNG = Blob(TestImages::png(1200, 800));
        image.createdAt = f.clock.now();
        f.state.slots().setItem(image, 6);
        f.state.slots().addHistory(image);
        SlotsView view(f.context);
        view.resize(900, 500);
        view.show();
        render(view, "slots-image-loading");
        f.thumbnails.waitForIdle();
        QCOMPARE(f.thumbnails.decodeCount(), 1);
        const QImage done = render(view, "slots-image");
        QVERIFY(!done.isNull());
    }
};

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
