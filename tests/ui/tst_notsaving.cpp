// What the user sees while changes are not reaching the disk: the window's "Not saving"
// banner and the tray menu's first line, over a store that fell back to memory and over one
// whose saves fail and then recover. Rendered images go to build/tests/artifacts.
#include "LogCapture.h"
#include "MenuTitles.h"
#include "RenderArtifact.h"
#include "WindowFixture.h"
#include "core/AppPaths.h"
#include "shell/StatusItemController.h"
#include "window/HotkeysBanner.h"
#include "window/MainWindow.h"
#include "window/NotSavingBanner.h"
#include "window/RootView.h"
#include "window/WrappingText.h"

#include <QAccessible>
#include <QFile>
#include <QMenu>
#include <QTest>
#include <QTextDocumentFragment>

namespace {

const QStringList plainMenu = {"Open Main Window  (Control + Alt + Super + V)", "-",
                               "Check for Updates\u2026", "-", "Quit Stashwick"};

using Fixture = WindowFixture;

} // namespace

class NotSavingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aStoreInMemoryShowsItsReasonAboveTheShortcutsBanner() {
        LogCapture log;
        Fixture f([](TestEnv& env) {
            // XDG_DATA_HOME is a regular file: no data folder, so no store file either.
            QFile file(env.path("data"));
            if (!file.open(QIODevice::WriteOnly) || file.write("not a folder") <= 0) {
                qFatal("cannot write %s", qPrintable(file.fileName()));
            }
            file.close();
            return StoreContainer::openPrimaryOrFallback(AppPaths::storeFile());
        });
        QVERIFY(f.state.container().isInMemory());
        QCOMPARE(log.count(), 1); // the fallback, said once
        const QString reason = f.state.notSavingReason();
        QVERIFY(!reason.isEmpty());
        f.fill(1, QStringLiteral("Meeting notes for Thursday"));
        f.fill(2, QStringLiteral("https://example.org/releases"));

        MainWindow window(f.context);
        window.resize(960, 680);
        window.show();
        RootView* root = window.root();
        NotSavingBanner* banner = root->notSavingBanner();
        QVERIFY(banner->isVisible());
        QCOMPARE(banner->reason(), reason);
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(banner);
        QCOMPARE(a->text(QAccessible::Name), QStringLiteral("Not saving"));
        QCOMPARE(a->text(QAccessible::Description), reason);
        // Both banners at once, this one first; it stays on every tab, Settings too.
        QVERIFY(root->banner()->isVisible());
        QVERIFY(banner->geometry().bottom() < root->banner()->geometry().top());
        renderUnfocused(window, "window-not-saving-stacked-light");
        f.state.setEventTapActive(true);
        f.state.setMainTab(MainTab::Settings);
        QVERIFY(banner->isVisible());
        QVERIFY(!root->banner()->isVisible());
        f.state.setMainTab(MainTab::Slots);
        renderUnfocused(window, "window-not-saving-light");
        f.defaults.setString(QStringLiteral("appearanceMode"), QStringLiteral("dark"));
        QVERIFY(banner->isVisible());
        QCOMPARE(banner->findChild<WrappingText*>()->palette().color(QPalette::WindowText),
                 f.theme.label());
        renderUnfocused(window, "window-not-saving-dark");
    }

    void theBannerAndTrayLineFollowFailingAndRecoveringSaves() {
        LogCapture log;
        Fixture f([](TestEnv& env) {
            return StoreContainer::make(false, env.path("Store.sqlite"), nullptr);
        });
        StoreContainer& store = f.state.container();
        RootView root(f.context);
        root.resize(RootView::minimumWidth, RootView::minimumHeight);
        root.show();
        StatusItemController status(QStringLiteral("Control + Alt + Super + V"));
        status.setNotSavingReason(f.state.notSavingReason());
        connect(&f.state, &AppState::notSavingChanged, &status,
                &StatusItemController::setNotSavingReason);
        NotSavingBanner* banner = root.notSavingBanner();
        QVERIFY(!banner->isVisible());
        const int narrowest = root.minimumSizeHint().width();
        QCOMPARE(menuTitles(status.menu()), plainMenu);

        // A reason with a path far wider than the window, and an "&" the menu must not eat.
        const QString path = QStringLiteral("/home/jo/.local/share/") + QString(300, u'x');
        const QString failure = QStringLiteral("disk I/O error & no space left: ") + path;
        store.setSaveFailure(failure);
        f.fill(1, QStringLiteral("waits"));
        QVERIFY(store.isBehind());
        const QString reason = f.state.notSavingReason();
        QVERIFY(reason.contains(failure));
        QVERIFY(banner->isVisible());
        QCOMPARE(banner->reason(), reason);
        // The reason wraps inside the window, even in the middle of the path.
        QCOMPARE(root.minimumSizeHint().width(), narrowest);
        QVERIFY(banner->width() <= RootView::minimumWidth);
        QVERIFY(banner->heightForWidth(banner->width()) > 3 * banner->fontMetrics().height());
        renderUnfocused(root, "window-not-saving-long-reason-light");

        QMenu* menu = status.menu();
        QAction* line = menu->actions().first();
        QVERIFY(!line->isEnabled());
        QVERIFY(line->text().startsWith(QStringLiteral("Not saving: disk I/O error && no space")));
        QVERIFY(line->text().endsWith(u'\u2026'));
        QVERIFY(line->text().size() < 120);
        QCOMPARE(QTextDocumentFragment::fromHtml(line->toolTip()).toPlainText(),
                 QStringLiteral("Not saving: ") + reason);
        QVERIFY(menu->toolTipsVisible());
        QCOMPARE(menuTitles(menu).mid(1), QStringList{"-"} + plainMenu);

        // Saving works again: the next change writes what waited, and both go away.
        store.setSaveFailure(std::nullopt);
        f.fill(2, QStringLiteral("saved"));
        QVERIFY(!store.isBehind());
        QVERIFY(f.state.notSavingReason().isEmpty());
        QVERIFY(!banner->isVisible());
        QCOMPARE(menuTitles(menu), plainMenu);

        // A short reason shows whole, and the line comes back only once.
        store.setSaveFailure(QStringLiteral("database or disk is full"));
        f.fill(3, QStringLiteral("again"));
        f.fill(4, QStringLiteral("and again"));
        QVERIFY(banner->isVisible());
        QCOMPARE(menuTitles(menu).first(),
                 QStringLiteral("Not saving: ") + f.state.notSavingReason());
        QCOMPARE(menuTitles(menu).mid(1), QStringList{"-"} + plainMenu);
    }
};

QTEST_MAIN(NotSavingTest)
#include "tst_notsaving.moc"
