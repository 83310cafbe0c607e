// A tile's "Slot actions" menu in the real program under Xvfb with openbox, opened and chosen
// with the real pointer (xdotool): Pin, Move to slot → Slot N and Delete slot content each
// change the store while the program keeps running, and a capture from outside while the menu
// is open leaves it open and usable.
#include "StashwickSession.h"
#include "Xdotool.h"

#include <QHash>
#include <QJsonObject>
#include <QProcess>
#include <QRect>
#include <QTest>

class X11MenusTest : public QObject {
    Q_OBJECT

    StashwickSession m_session;

    static QRect geometry(const QString& id) {
        // WINDOW=…, X=…, Y=…, WIDTH=…, HEIGHT=…, SCREEN=…
        QHash<QString, int> v;
        for (const QString& line :
             Xdotool::output({"getwindowgeometry", "--shell", id}).split('\n')) {
            const qsizetype eq = line.indexOf('=');
            v.insert(line.left(eq), line.mid(eq + 1).toInt());
        }
        return {v["X"], v["Y"], v["WIDTH"], v["HEIGHT"]};
    }
    // The program's visible menus, newest last: its visible windows but the main window.
    static QStringList menus() {
        const QString main = Xdotool::window();
        QStringList out;
        for (const QString& id :
             Xdotool::output({"search", "--onlyvisible", "--class", "^stashwick$"})
                 .split('\n', Qt::SkipEmptyParts)) {
            if (id != main) {
                out << id;
            }
        }
        return out;
    }
    // The menu window that shows beside `before` within 3 s, or empty.
    QString newMenu(const QStringList& before) {
        QString opened;
        const bool shown = QTest::qWaitFor(
            [&] {
                const QStringList now = menus();
                opened = now.size() > before.size() ? now.last() : QString();
                return !opened.isEmpty();
            },
            3000);
        return shown ? opened : QString();
    }
    // Clicks the "…" button of slot `n`'s tile (1-9 then 0 in five columns) in the 960 x 680
    // window with no banner.
    static bool clickActions(int n) {
        const int i = n == 0 ? 9 : n - 1;
        return Xdotool::run({"mousemove", "--window", Xdotool::window(),
                             QString::number(170 + (i % 5) * 185),
                             QString::number(137 + (i / 5) * 132), "click", "1"});
    }
    // Opens slot `n`'s menu with the pointer; the menu's window id.
    QString openMenu(int n) {
        const QStringList before = menus();
        if (!clickActions(n)) {
            return {};
        }
        return newMenu(before);
    }
    // Clicks entry `row` of `count` evenly spaced entries of the menu window `menu`; for an
    // entry with a submenu, returns the submenu's window id once it shows.
    QString choose(const QString& menu, int row, int count, bool submenu = false) {
        const QRect r = geometry(menu);
        const QStringList before = menus();
        const int inner = r.height() - 2 * menuMargin;
        const QPoint at(r.left() + r.width() / 2,
                        r.top() + menuMargin + inner * (2 * row + 1) / (2 * count));
        if (!Xdotool::run({"mousemove", QString::number(at.x()), QString::number(at.y())}) ||
            !Xdotool::run({"click", "1"})) {
            return {};
        }
        if (!submenu) {
            return menu;
        }
        return newMenu(before);
    }
    static constexpr int menuMargin = 4;
    // Entries of a tile's menu: Copy as, Move to slot, Pin/Unpin, Delete slot content.
    enum Entry { CopyAs, MoveTo, Pin, Delete, entryCount };

    QJsonObject slot(int n) { return ProgramSession::slot(m_session.dump(), n); }
    bool running() const { return m_session.instance()->state() == QProcess::Running; }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_session.startInstance());
        // With the shortcuts working no banner shows above the tiles.
        QVERIFY(
            QTest::qWaitFor([&] { return m_session.dump()["eventTapActive"].toBool(); }, 10000));
        QVERIFY(m_session.setClipboard("alpha"));
        QCOMPARE(m_session.stashwick({"stashwick://capture-to-slot/1"}).exitCode, 0);
        QVERIFY(m_session.setClipboard("beta"));
        QCOMPARE(m_session.stashwick({"stashwick://capture-to-slot/2"}).exitCode, 0);
        QCOMPARE(m_session.stashwick({"stashwick://summon"}).exitCode, 0);
        QVERIFY(QTest::qWaitFor([&] { return !Xdotool::window().isEmpty(); }, 5000));
        QVERIFY(Xdotool::run({"windowsize", "--sync", Xdotool::window(), "960", "680"}));
        QVERIFY(Xdotool::run({"windowactivate", "--sync", Xdotool::window()}));
    }

    void cleanupTestCase() { m_session.stopInstance(); }

    void pinMoveAndDeleteChosenWithThePointer() {
        // Pin.
        QString menu = openMenu(1);
        QVERIFY(!menu.isEmpty());
        choose(menu, Pin, entryCount);
        QVERIFY(QTest::qWaitFor([&] { return slot(1)["pinned"].toBool(); }, 3000));
        QVERIFY(running());

        // Move to slot → Slot 7 (the submenu lists 2-9 and 0: Slot 7 is the sixth).
        menu = openMenu(1);
        QVERIFY(!menu.isEmpty());
        const QString move = choose(menu, MoveTo, entryCount, true);
        QVERIFY(!move.isEmpty());
        choose(move, 5, 9);
        QVERIFY(QTest::qWaitFor([&] { return slot(7)["preview"].toString() == u"alpha"; }, 3000));
        QVERIFY(slot(7)["pinned"].toBool());
        QVERIFY(slot(1)["preview"].toString().isEmpty());
        QVERIFY(running());

        // Delete slot content.
        menu = openMenu(7);
        QVERIFY(!menu.isEmpty());
        choose(menu, Delete, entryCount);
        QVERIFY(QTest::qWaitFor([&] { return slot(7)["preview"].toString().isEmpty(); }, 3000));
        QVERIFY(running());
        QCOMPARE(slot(2)["preview"].toString(), QStringLiteral("beta"));
    }

    void aCaptureFromOutsideLeavesTheOpenMenuUsable() {
        const QString menu = openMenu(2);
        QVERIFY(!menu.isEmpty());
        QVERIFY(m_session.setClipboard("captured meanwhile"));
        QCOMPARE(m_session.stashwick({"stashwick://capture-to-slot/5"}).exitCode, 0);
        QCOMPARE(slot(5)["preview"].toString(), QStringLiteral("captured meanwhile"));
        QVERIFY(menus().contains(menu));
        choose(menu, Pin, entryCount);
        QVERIFY(QTest::qWaitFor([&] { return slot(2)["pinned"].toBool(); }, 3000));
        QVERIFY(running());
    }
};

QTEST_GUILESS_MAIN(X11MenusTest)
#include "tst_x11menus.moc"
