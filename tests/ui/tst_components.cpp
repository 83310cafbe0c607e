// The shared components and the HUD rendered offscreen: images saved as test artefacts
// (build/tests/artifacts), sizes and key pixel colours checked.
#include "RenderArtifact.h"
#include "TestEnv.h"
#include "TestImages.h"
#include "clipboard/Thumbnailer.h"
#include "core/UserDefaults.h"
#include "shell/HUDModel.h"
#include "shell/HUDView.h"
#include "shell/LinkDialog.h"
#include "shell/StatusItemController.h"
#include "ui/CapsuleSegmented.h"
#include "ui/Card.h"
#include "ui/ClipboardThumbnail.h"
#include "ui/IconChipButton.h"
#include "ui/Icons.h"
#include "ui/Pill.h"
#include "ui/StyledButton.h"
#include "ui/Theme.h"
#include "ui/ThemedSwitch.h"
#include "ui/WindowBackground.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

namespace {
bool near(QColor a, QColor b, int tolerance = 6) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}
} // namespace

class ComponentsTest : public QObject {
    Q_OBJECT

    TestEnv m_env;
    UserDefaults m_defaults{m_env.path("settings.ini")};
    Theme m_theme{m_defaults, [] { return false; }};
    Thumbnailer m_thumbnails;

    // A widget never sized is rendered at its size hint.
    static QImage shoot(QWidget& w, const QString& name) {
        w.ensurePolished();
        if (w.size().isEmpty() || w.size() == QSize(640, 480)) {
            w.resize(w.sizeHint());
        }
        return render(w, name);
    }

private Q_SLOTS:
    void iconsExistForEverySymbolUsed() {
        for (const char* name :
             {"doc.on.clipboard", "doc.on.clipboard.fill", "arrow.down.doc.fill",
              "exclamationmark.triangle.fill", "photo", "pin", "pin.fill", "trash", "doc.on.doc"}) {
            QVERIFY2(Icons::exists(name), name);
            const QPixmap pm = Icons::pixmap(name, QSize(24, 24), QColor(255, 0, 0));
            QCOMPARE(pm.size(), QSize(24, 24));
            // Tinted: every drawn pixel is the requested colour.
            const QImage img = pm.toImage();
            int drawn = 0;
            for (int y = 0; y < 24; ++y) {
                for (int x = 0; x < 24; ++x) {
                    const QColor c = img.pixelColor(x, y);
                    if (c.alpha() > 200) {
                        ++drawn;
                        QVERIFY(c.red() > 200 && c.green() < 40 && c.blue() < 40);
                    }
                }
            }
            QVERIFY2(drawn > 20, name);
        }
        QVERIFY(Icons::pixmap("no.such.symbol", QSize(10, 10), Qt::black).isNull());
    }

    void buttonsAndCapsules() {
        IconChipButton chip(m_theme, "pin", "Pin", m_theme.accent());
        QImage img = shoot(chip, "icon-chip");
        QCOMPARE(img.size(), QSize(28, 24));
        QVERIFY(near(img.pixelColor(3, 12), m_theme.surfaceRaise()));
        chip.setEnabled(false);
        shoot(chip, "icon-chip-disabled");

        StyledButton action(m_theme, StyledButton::Kind::Action, "Copy");
        img = shoot(action, "action-button");
        // The action gradient ends in the accent colour at the bottom centre.
        QVERIFY(near(img.pixelColor(img.width() / 2, img.height() - 3), m_theme.accent(), 20));
        StyledButton neutral(m_theme, StyledButton::Kind::Neutral, "Cancel");
        img = shoot(neutral, "neutral-button");
        QVERIFY(near(img.pixelColor(img.width() / 2, 3), m_theme.surfaceRaise(), 10));
        neutral.setEnabled(false);
        QCOMPARE(neutral.paintOpacity(), 0.4);

        CapsuleSegmented seg(m_theme,
                             {{"slots", "Slots", "doc.on.clipboard"}, {"history", "History", ""}});
        QSignalSpy changed(&seg, &CapsuleSegmented::selectionChanged);
        img = shoot(seg, "capsule-segmented");
        const QRectF second = seg.segmentRect(1);
        QVERIFY(near(img.pixelColor(qRound(second.left() + 3), qRound(second.center().y())),
                     m_theme.surfaceRaise()));
        seg.resize(seg.sizeHint());
        QTest::mouseClick(&seg, Qt::LeftButton, {}, second.center().toPoint());
        QCOMPARE(seg.selection(), QStringLiteral("history"));
        QCOMPARE(changed.count(), 1);
        img = shoot(seg, "capsule-segmented-history");
        QVERIFY(!near(img.pixelColor(qRound(second.left() + 4), qRound(second.center().y())),
                      m_theme.surfaceRaise()));

        Pill pill("12 copies", "doc.on.clipboard", m_theme.success());
        img = shoot(pill, "pill");
        QVERIFY(img.height() >= 14);

        ThemedSwitch sw(m_theme, "Launch at login");
        sw.resize(220, 30);
        img = shoot(sw, "switch-off");
        const QRectF track = sw.trackRect();
        const QColor off = img.pixelColor(qRound(track.right() - 4), qRound(track.center().y()));
        QVERIFY(off.alpha() >= 30 && off.alpha() <= 45); // strokeStrong: black at 0x24
        QVERIFY(near(off, Qt::black, 10));
        sw.setChecked(true);
        QCOMPARE(sw.knobPosition(), 1.0);
        QCOMPARE(sw.accessibleDescription(), QStringLiteral("On"));
        img = shoot(sw, "switch-on");
        QVERIFY(near(img.pixelColor(qRound(track.left() + 5), qRound(track.center().y())),
                     m_theme.accent(), 60));
        QCOMPARE(track.size(), QSizeF(42, 25));
    }

    void surfacesAndThumbnails() {
        Card card(m_theme);
        card.resize(200, 100);
        QImage img = shoot(card, "card");
        QVERIFY(near(img.pixelColor(100, 50), m_theme.surface()));
        QCOMPARE(img.pixelColor(0, 0).alpha(), 0); // rounded corner

        WindowBackground bg(m_theme);
        bg.resize(300, 200);
        img = shoot(bg, "window-background");
        QVERIFY(near(img.pixelColor(150, 100), m_theme.window(), 3));

        ClipboardThumbnail thumb(m_theme, m_thumbnails);
        thumb.resize(40, 40);
        // A wide red picture: fill covers the frame, fit leaves bands above and below.
        QImage wide(200, 50, QImage::Format_RGB32);
        wide.fill(Qt::red);
        thumb.setData(TestImages::encode(wide, "png"));
        img = shoot(thumb, "thumbnail-fill");
        QVERIFY(near(img.pixelColor(20, 3), Qt::red));
        thumb.setContentMode(ClipboardThumbnail::ContentMode::Fit);
        img = shoot(thumb, "thumbnail-fit");
        QCOMPARE(img.pixelColor(20, 3).alpha(), 0);
        QVERIFY(near(img.pixelColor(20, 20), Qt::red));
        QCOMPARE(m_thumbnails.decodeCount(), 1); // decoded once for both
        thumb.setData("not an image");
        img = shoot(thumb, "thumbnail-placeholder");
        QVERIFY(near(img.pixelColor(4, 20), m_theme.surface()));
    }

    void hudForEachOutcome() {
        const QList<std::pair<FeedbackOutcome, const char*>> outcomes{
            {FeedbackOutcome::Copied, "hud-copied"},
            {FeedbackOutcome::Pasted, "hud-pasted"},
            {FeedbackOutcome::NothingToCopy, "hud-nothing-to-copy"},
            {FeedbackOutcome::EmptySlot, "hud-empty-slot"}};
        for (const auto& [outcome, name] : outcomes) {
            HUDModel model;
            model.setOutcome(outcome);
            model.setSlot(outcome == FeedbackOutcome::NothingToCopy ? std::nullopt
                                                                    : std::optional<int>(3));
            model.setPreview(outcome == FeedbackOutcome::Copied ||
                                     outcome == FeedbackOutcome::Pasted
                                 ? QStringLiteral("Meeting notes for Tuesday")
                                 : QString());
            model.setVisible(true);
            HUDView view(model, m_theme, m_thumbnails, false);
            const QImage img = shoot(view, name);
            QCOMPARE(img.size(), QSize(420, 96));
            const QRectF capsule = view.capsuleRect();
            QCOMPARE(capsule.bottom(), 96.0);
            QCOMPARE(capsule.center().x(), 210.0);
            QVERIFY(near(img.pixelColor(qRound(capsule.center().x()), qRound(capsule.top() + 3)),
                         m_theme.surface(), 12));
            QCOMPARE(img.pixelColor(2, 2).alpha(), 0); // outside the capsule
        }
        // An image: the thumbnail replaces the preview line.
        HUDModel model;
        model.setSlot(2);
        model.setPreview("Image");
        QImage pic(64, 64, QImage::Format_RGB32);
        pic.fill(QColor(20, 160, 90));
        model.setImagePNG(TestImages::encode(pic, "png"));
        model.setVisible(true);
        HUDView view(model, m_theme, m_thumbnails, false);
        shoot(view, "hud-copied-image");
        HUDModel without;
        without.setSlot(2);
        without.setPreview("Image");
        QVERIFY(view.capsuleRect().width() !=
                HUDView(without, m_theme, m_thumbnails, false).capsuleRect().width());
    }

    void linkDialogSaysWhatTheLinkWouldDo() {
        const QString sentence =
            QStringLiteral("A link asks Stashwick to paste slot 3 into the window in front");
        LinkDialog dialog(m_theme, sentence, QStringLiteral("stashwick://paste-slot/3"), 2);
        QCOMPARE(dialog.findChild<QLabel*>("sentence")->text(), sentence + u'.');
        QCOMPARE(dialog.findChild<QLabel*>("waiting")->text(), "2 more links are waiting.");
        for (QLabel* label : dialog.findChildren<QLabel*>()) {
            QCOMPARE(label->textFormat(), Qt::PlainText);
            QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        }
        QVERIFY(dialog.windowTitle().contains("Stashwick"));
        LinkDialog alone(m_theme, sentence, "stashwick://paste-slot/3", 0);
        QVERIFY(alone.findChild<QLabel*>("waiting")->isHidden());
        alone.setOthersWaiting(1);
        QCOMPARE(alone.findChild<QLabel*>("waiting")->text(), "1 more link is waiting.");
        QVERIFY(!alone.findChild<QLabel*>("waiting")->isHidden());

        // What a screen reader says.
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&dialog);
        QCOMPARE(a->role(), QAccessible::Dialog);
        QCOMPARE(a->text(QAccessible::Name), "A link from another program");
        QCOMPARE(a->text(QAccessible::Description), sentence);
        for (const auto& [button, name, description] :
             {std::tuple{dialog.denyButton(), "Deny", QStringLiteral("Do nothing with this link")},
              {dialog.allowButton(), "Allow", sentence}}) {
            QAccessibleInterface* b = QAccessible::queryAccessibleInterface(button);
            QCOMPARE(b->role(), QAccessible::Button);
            QCOMPARE(b->text(QAccessible::Name), name);
            QCOMPARE(b->text(QAccessible::Description), description);
        }
        QVERIFY(!QAccessible::queryAccessibleInterface(dialog.findChild<QLabel*>("url"))
                     ->text(QAccessible::Name)
                     .isEmpty());

        // Markup in what a link says stays text, and a long link stays inside the dialog.
        const QString markup = QStringLiteral(
            "A link asks Stashwick to add a snippet titled \u201c<b>big</b>\u201d with the text "
            "\u201c<img src=x>\u201d");
        LinkDialog shown(m_theme, markup, "stashwick://add-snippet/" + QString(200, u'x'), 0);
        shown.adjustSize();
        QCOMPARE(shown.findChild<QLabel*>("sentence")->text(), markup + u'.');
        QCOMPARE(shown.width(), LinkDialog::dialogWidth);
        QVERIFY(shown.findChild<QLabel*>("url")->geometry().right() < LinkDialog::dialogWidth);
    }

    void linkDialogDeniesUnlessAllowIsChosen_data() {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("outcome");
        const auto row = [](const char* name, QList<int> keys, LinkDialog::Outcome outcome) {
            QTest::newRow(name) << keys << int(outcome);
        };
        // Deny has the keyboard first: only Allow chosen with the keys allows.
        for (const auto& [name, key] : {std::pair{"Escape", Qt::Key_Escape},
                                        {"Return", Qt::Key_Return},
                                        {"Enter", Qt::Key_Enter},
                                        {"Space", Qt::Key_Space}}) {
            row(name, {key}, LinkDialog::Denied);
        }
        row("Tab Space", {Qt::Key_Tab, Qt::Key_Space}, LinkDialog::Allowed);
        row("Tab Return", {Qt::Key_Tab, Qt::Key_Return}, LinkDialog::Allowed);
        row("Tab Escape", {Qt::Key_Tab, Qt::Key_Escape}, LinkDialog::Denied);
        row("Tab Tab Return", {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Return}, LinkDialog::Denied);
        // No keys: the dialog is closed (its window's close button), which is no answer.
        row("closed", {}, LinkDialog::Closed);
    }

    void linkDialogDeniesUnlessAllowIsChosen() {
        QFETCH(QList<int>, keys);
        QFETCH(int, outcome);
        LinkDialog dialog(m_theme, "A link asks Stashwick to delete snippet 1",
                          "stashwick://delete-snippet/1", 0);
        QSignalSpy finished(&dialog, &QDialog::finished);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(QApplication::focusWidget(), dialog.denyButton());
        for (int key : keys) {
            QTest::keyClick(dialog.windowHandle(), Qt::Key(key));
        }
        if (keys.isEmpty()) {
            QVERIFY(dialog.close());
        }
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished[0][0].toInt(), outcome);
        QVERIFY(!dialog.isVisible());
    }

    void linkDialogInLightAndDark_data() {
        QTest::addColumn<QString>("appearance");
        QTest::newRow("light") << QStringLiteral("light");
        QTest::newRow("dark") << QStringLiteral("dark");
    }

    void linkDialogInLightAndDark() {
        QFETCH(QString, appearance);
        m_defaults.setString(QStringLiteral("appearanceMode"), appearance);
        LinkDialog dialog(m_theme, "A link asks Stashwick to paste slot 3 into the window in front",
                          "stashwick://paste-slot/3", 2);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        const QImage img = shoot(dialog, "link-dialog-" + appearance);
        QCOMPARE(img.width(), LinkDialog::dialogWidth);
        // The theme's window colour behind everything, and Deny, the default, in the action
        // colour.
        QCOMPARE(m_theme.isDark(), appearance == u"dark");
        QVERIFY(near(img.pixelColor(4, 4), m_theme.window()));
        const QRect deny = dialog.denyButton()->geometry();
        const QColor fill = img.pixelColor(deny.left() + 8, deny.center().y());
        QVERIFY(near(fill, m_theme.actionTop(), 30) || near(fill, m_theme.accent(), 30));
        m_defaults.setString(QStringLiteral("appearanceMode"), QStringLiteral("system"));
    }

    void trayMenuTitles() {
        StatusItemController status("Control + Alt + Super + V");
        status.setActive(true);      // before install: nothing happens
        QMenu* menu = status.menu(); // its titles: tst_notsaving
        QCOMPARE(menu->actions().last()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
        QStringList calls;
        status.onOpenWindow = [&] { calls << "open"; };
        status.onCheckForUpdates = [&] { calls << "updates"; };
        status.onQuit = [&] { calls << "quit"; };
        for (int entry : {0, 2, 4}) {
            menu->actions()[entry]->trigger();
        }
        QCOMPARE(calls, QStringList({"open", "updates", "quit"}));
    }

    void trayIconReadsOnLightAndDarkPanels() {
        for (bool active : {false, true}) {
            const QIcon icon = StatusItemController::trayIcon(active);
            for (const QColor panel : {QColor(Qt::white), QColor(0xEE, 0xEE, 0xEE),
                                       QColor(Qt::black), QColor(0x2B, 0x2B, 0x2B)}) {
                QImage shown(22, 22, QImage::Format_RGB32);
                shown.fill(panel);
                QPainter p(&shown);
                icon.paint(&p, shown.rect());
                p.end();
                // Enough pixels stand out clearly from the panel, whatever its shade.
                int contrasting = 0;
                for (int y = 0; y < shown.height(); ++y) {
                    for (int x = 0; x < shown.width(); ++x) {
                        contrasting +=
                            std::abs(qGray(shown.pixel(x, y)) - qGray(panel.rgb())) > 120;
                    }
                }
                QVERIFY2(contrasting > 40, qPrintable(panel.name()));
            }
        }
    }
};

QTEST_MAIN(ComponentsTest)
#include "tst_components.moc"
