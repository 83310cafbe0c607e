// The window from the keyboard under the offscreen platform: keys typed into the focused
// window reach the tab bar and the pickers (arrows, Home/End, Space/Return) and the state they
// drive, what assistive technology reads of them, Return on buttons and tiles, the focus ring of
// every focusable component in light and dark (images in build/tests/artifacts), and the reason
// shown when the desktop's keyboard settings are unknown.

#include "WindowFixture.h"
#include "ui/CapsuleSegmented.h"
#include "ui/IconChipButton.h"
#include "ui/StyledButton.h"
#include "ui/ThemedSwitch.h"
#include "window/MainWindow.h"
#include "window/RootView.h"
#include "window/settings/SettingsView.h"
#include "window/slots/SlotTile.h"
#include "window/slots/SlotsView.h"

#include <QAccessible>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

namespace {

using Fixture = WindowFixture;

// Keys typed into the window, as the window system delivers them: to the focus widget.
void type(QWidget& window, std::initializer_list<Qt::Key> keys) {
    for (Qt::Key key : keys) {
        QTest::keyClick(window.windowHandle(), key);
    }
}

// Tabs through the window until `target` has the keyboard.
bool tabTo(QWidget& window, QWidget* target) {
    for (int i = 0; i < 80 && !target->hasFocus(); ++i) {
        type(window, {Qt::Key_Tab});
    }
    return target->hasFocus();
}

SettingsView* settings(MainWindow& window) {
    return qobject_cast<SettingsView*>(window.root()->tabView());
}

QStringList states(QAccessibleInterface* a) {
    const QAccessible::State s = a->state();
    QStringList out;
    for (const auto& [on, name] : {std::pair{bool(s.selected), "selected"},
                                   {bool(s.checked), "checked"},
                                   {bool(s.focused), "focused"}}) {
        if (on) {
            out << QString::fromLatin1(name);
        }
    }
    return out;
}

// Pixels that look clearly different in `after`.
int changedPixels(const QImage& before, const QImage& after) {
    int n = 0;
    for (int y = 0; y < std::min(before.height(), after.height()); ++y) {
        for (int x = 0; x < std::min(before.width(), after.width()); ++x) {
            const QColor a = before.pixelColor(x, y), b = after.pixelColor(x, y);
            if (std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                    std::abs(a.blue() - b.blue()) + std::abs(a.alpha() - b.alpha()) >
                90) {
                ++n;
            }
        }
    }
    return n;
}

} // namespace

class KeyboardTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theTabBarAndThePickersFollowTheKeys() {
        Fixture f;
        MainWindow window(f.context);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        CapsuleSegmented* tabs = window.root()->tabBar();
        QVERIFY(tabTo(window, tabs));

        // Arrows move the keyboard, Space and Return choose; Home, End and the ends wrap.
        type(window, {Qt::Key_Right});
        QCOMPARE(tabs->currentIndex(), 1);
        QCOMPARE(f.state.mainTab(), MainTab::Slots);
        type(window, {Qt::Key_Space});
        QCOMPARE(f.state.mainTab(), MainTab::History);
        QCOMPARE(tabs->selection(), QStringLiteral("history"));
        type(window, {Qt::Key_End, Qt::Key_Return});
        QCOMPARE(f.state.mainTab(), MainTab::Settings);
        type(window, {Qt::Key_Right});
        QCOMPARE(tabs->currentIndex(), 0);
        type(window, {Qt::Key_Left, Qt::Key_Left});
        QCOMPARE(tabs->currentIndex(), 3);
        type(window, {Qt::Key_Home, Qt::Key_Enter});
        QCOMPARE(f.state.mainTab(), MainTab::Slots);
        QVERIFY(tabs->hasFocus());
        // A tab chosen elsewhere moves the keyboard's start there.
        type(window, {Qt::Key_Tab});
        QVERIFY(!tabs->hasFocus());
        f.state.setMainTab(MainTab::Stats);
        QVERIFY(tabTo(window, tabs));
        QCOMPARE(tabs->currentIndex(), 3);

        // What a screen reader reads: five page tabs, the chosen one selected and focused.
        QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(tabs);
        QCOMPARE(bar->role(), QAccessible::PageTabList);
        QCOMPARE(bar->childCount(), 5);
        QStringList names;
        for (int i = 0; i < bar->childCount(); ++i) {
            QCOMPARE(bar->child(i)->role(), QAccessible::PageTab);
            QCOMPARE(bar->child(i)->parent(), bar);
            QCOMPARE(bar->indexOfChild(bar->child(i)), i);
            names << bar->child(i)->text(QAccessible::Name);
        }
        QCOMPARE(names, QStringList({"Slots", "History", "Snippets", "Stats", "Settings"}));
        QCOMPARE(states(bar->child(3)), QStringList({"selected", "focused"}));
        QCOMPARE(states(bar->child(0)), QStringList());
        QCOMPARE(bar->focusChild(), bar->child(3));
        QAccessibleActionInterface* press = bar->child(1)->actionInterface();
        QVERIFY(press);
        press->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(f.state.mainTab(), MainTab::History);

        // Settings: the appearance picker forces light, then dark; the window rebuilds with the
        // new colours and the keyboard stays on the picker.
        f.state.setMainTab(MainTab::Settings);
        CapsuleSegmented* looks = settings(window)->appearancePicker();
        QVERIFY(tabTo(window, looks));
        type(window, {Qt::Key_Right, Qt::Key_Space});
        QCOMPARE(f.defaults.string("appearanceMode"), std::optional<QString>("light"));
        looks = settings(window)->appearancePicker();
        QVERIFY(looks->hasFocus());
        QCOMPARE(looks->selection(), QStringLiteral("light"));
        type(window, {Qt::Key_End, Qt::Key_Return});
        QCOMPARE(f.defaults.string("appearanceMode"), std::optional<QString>("dark"));
        QVERIFY(f.theme.isDark());
        looks = settings(window)->appearancePicker();
        QVERIFY(looks->hasFocus());
        QCOMPARE(looks->currentIndex(), 2);
        QAccessibleInterface* group = QAccessible::queryAccessibleInterface(looks);
        QCOMPARE(group->text(QAccessible::Name), QStringLiteral("Light / Dark"));
        QCOMPARE(group->childCount(), 3);
        QCOMPARE(group->child(0)->role(), QAccessible::RadioButton);
        QCOMPARE(group->child(2)->text(QAccessible::Name), QStringLiteral("Dark"));
        QCOMPARE(states(group->child(2)), QStringList({"checked", "focused"}));
        QCOMPARE(states(group->child(1)), QStringList());

        // The palette picker: Home is Warm Cream, Right twice is Bone.
        CapsuleSegmented* palette = settings(window)->palettePicker();
        QVERIFY(tabTo(window, palette));
        type(window, {Qt::Key_Right, Qt::Key_Right, Qt::Key_Space});
        QCOMPARE(f.theme.activePalette(), 2);
        palette = settings(window)->palettePicker();
        QVERIFY(palette->hasFocus());
        type(window, {Qt::Key_Home, Qt::Key_Return});
        QCOMPARE(f.theme.activePalette(), 0);
        QCOMPARE(settings(window)->palettePicker()->selection(), QStringLiteral("warmCream"));
        // Control with an arrow is no picker key: it reaches the window.
        type(window, {Qt::Key_Right});
        QTest::keyClick(window.windowHandle(), Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(f.state.mainTab(), MainTab::Slots);
    }

    void returnEnterAndSpaceOnATileCopyIt() {
        Fixture f;
        f.state.slots().setItem(ClipboardItem::makeText(QStringLiteral("hello"), f.clock.now()), 1);
        SlotsView view(f.context);
        view.resize(900, 600);
        view.show();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        QVERIFY(tabTo(view, view.tile(1)));
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
            f.pasteboard.clearContents();
            type(view, {key});
            QVERIFY2(f.pasteboard.data("text/plain") == QByteArray("hello"),
                     qPrintable(QKeySequence(key).toString()));
        }
    }

    void everyFocusableComponentDrawsItsFocusRing_data() {
        QTest::addColumn<QString>("appearance");
        QTest::newRow("light") << QStringLiteral("light");
        QTest::newRow("dark") << QStringLiteral("dark");
    }

    void everyFocusableComponentDrawsItsFocusRing() {
        QFETCH(QString, appearance);
        Fixture f;
        f.defaults.setString(QStringLiteral("appearanceMode"), appearance);
        f.state.slots().setItem(ClipboardItem::makeText(QStringLiteral("hello"), f.clock.now()), 1);
        QWidget box;
        box.setAutoFillBackground(true);
        QPalette pal = box.palette();
        pal.setColor(QPalette::Window, f.theme.window());
        box.setPalette(pal);
        auto* row = new QHBoxLayout(&box);
        row->setSpacing(16);
        auto* segmented = new CapsuleSegmented(
            f.theme, {{"light", "Light", "sun.max"}, {"dark", "Dark", "moon"}}, &box);
        auto* action = new StyledButton(f.theme, StyledButton::Kind::Action, "Save", &box);
        auto* neutral = new StyledButton(f.theme, StyledButton::Kind::Neutral, "Re-check", &box);
        auto* chip = new IconChipButton(f.theme, "ellipsis", "More", f.theme.accentText(), &box);
        auto* toggle = new ThemedSwitch(f.theme, "Launch at login", &box);
        auto* tile = new SlotTile(1, f.theme, f.thumbnails, f.clock, &box);
        tile->setContent(ClipboardItem::makeText(QStringLiteral("hello")), false);
        tile->setFixedWidth(150);
        const QList<QWidget*> controls{segmented, action, neutral, chip, toggle, tile};
        for (QWidget* w : controls) {
            w->setFocusPolicy(Qt::StrongFocus);
            row->addWidget(w);
        }
        box.show();
        QVERIFY(QTest::qWaitForWindowActive(&box));

        // Each control with and without the keyboard, stacked: the focused row below.
        box.setFocus(); // none of the controls has the keyboard
        const QImage plain = box.grab().toImage();
        QImage sheet(plain.width(), plain.height() * 2, QImage::Format_ARGB32_Premultiplied);
        sheet.setDevicePixelRatio(plain.devicePixelRatio());
        sheet.fill(f.theme.window());
        QPainter painter(&sheet);
        painter.drawImage(0, 0, plain);
        for (QWidget* w : controls) {
            box.setFocus();
            const QImage before = box.grab(w->geometry()).toImage();
            QVERIFY(tabTo(box, w));
            const QImage after = box.grab(w->geometry()).toImage();
            painter.drawImage(w->pos() + QPoint(0, plain.height()), after);
            // A ring is a closed line around the control (or its focused part): at least as
            // many clearly changed pixels as half its outline.
            const int gained = changedPixels(before, after);
            QVERIFY2(
                gained >= w->height() + std::min(w->width(), 60),
                qPrintable(QStringLiteral("%1: %2").arg(w->metaObject()->className()).arg(gained)));
        }
        painter.end();
        QDir().mkpath(QStringLiteral(ARTIFACTS_DIR));
        sheet.save(QStringLiteral(ARTIFACTS_DIR "/focus-rings-%1.png").arg(appearance));

        // Return presses the buttons and the switch, Space flips the switch back.
        QSignalSpy pressed(action, &QAbstractButton::clicked);
        QSignalSpy chipPressed(chip, &QAbstractButton::clicked);
        for (QWidget* w : std::initializer_list<QWidget*>{action, chip, toggle}) {
            QVERIFY(tabTo(box, w));
            type(box, {Qt::Key_Return});
        }
        QCOMPARE(pressed.count(), 1);
        QCOMPARE(chipPressed.count(), 1);
        QVERIFY(toggle->isChecked());
        type(box, {Qt::Key_Space});
        QVERIFY(!toggle->isChecked());
    }

    void unknownKeyboardSettingsSayWhyInTheCard() {
        Fixture f;
        qputenv("XDG_CURRENT_DESKTOP", "openbox");
        SettingsView view(f.context);
        view.resize(700, 900);
        view.show();
        QVERIFY(!view.keyboardSettingsButton()->isEnabled());
        QLabel* reason = view.keyboardSettingsReason();
        QVERIFY(reason && reason->isVisible());
        QCOMPARE(reason->text(), view.keyboardSettingsButton()->toolTip());
        QVERIFY(reason->text().contains(QStringLiteral("does not know this desktop")));
        QCOMPARE(view.keyboardSettingsButton()->accessibleDescription(), reason->text());

        qputenv("XDG_CURRENT_DESKTOP", "GNOME");
        SettingsView known(f.context);
        QVERIFY(known.keyboardSettingsButton()->isEnabled());
        QVERIFY(!known.keyboardSettingsReason());
        qunsetenv("XDG_CURRENT_DESKTOP");
    }
};

QTEST_MAIN(KeyboardTest)
#include "tst_keyboard.moc"
