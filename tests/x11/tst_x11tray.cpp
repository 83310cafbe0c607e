// The tray icon in a real session where the tray starts after Stashwick, as it usually does
// at login: the icon docks once the tray appears, and a left click opens the main window.
#include "StashwickSession.h"
#include "Xdotool.h"

#include <QImage>
#include <QProcess>
#include <QTest>

class X11TrayTest : public QObject {
    Q_OBJECT

    StashwickSession m_session;

    static QString windowsNamed(const QString& name, qint64 pid) {
        return Xdotool::output(
            {"search", "--all", "--onlyvisible", "--pid", QString::number(pid), "--name", name});
    }

private Q_SLOTS:
    void theIconDocksInATrayThatStartsLater() {
        QVERIFY(m_session.startInstance());
        const qint64 pid = m_session.instance()->processId();

        QProcess tray;
        tray.start(QStringLiteral(TRAY_MANAGER), {"#f2f2f2"});
        QByteArray out;
        QVERIFY(QTest::qWaitFor(
            [&] {
                out += tray.readAllStandardOutput();
                return out.contains("docked ");
            },
            10000));

        // The icon's dark edge shows on the light panel.
        QCOMPARE(QProcess::execute(SCREENSHOT, {QStringLiteral(ARTIFACTS_DIR "/tray-light.png"),
                                                "0", "0", "200", "32"}),
                 0);
        QImage shot(QStringLiteral(ARTIFACTS_DIR "/tray-light.png"));
        QVERIFY(!shot.isNull());
        int dark = 0;
        for (int y = 4; y < 28; ++y) {
            for (int x = 4; x < 28; ++x) {
                dark += qGray(shot.pixel(x, y)) < 90;
            }
        }
        QVERIFY2(dark > 20, qPrintable(QString::number(dark)));

        // A left click on the icon (at 4,4 in the panel) opens the main window.
        QVERIFY(windowsNamed("^Stashwick$", pid).isEmpty());
        QVERIFY(Xdotool::run({"mousemove", "16", "16", "click", "1"}));
        QVERIFY(QTest::qWaitFor([&] { return !windowsNamed("^Stashwick$", pid).isEmpty(); }, 3000));
        tray.kill();
        tray.waitForFinished();
        m_session.stopInstance();
    }
};

QTEST_GUILESS_MAIN(X11TrayTest)
#include "tst_x11tray.moc"
