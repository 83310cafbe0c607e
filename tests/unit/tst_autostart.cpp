#include "FullDisk.h"
#include "LogCapture.h"
#include "TestEnv.h"
#include "platform/xdg/AutostartEntry.h"
#include "platform/xdg/KeyboardSettings.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

class AutostartTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theSwitchWritesAndRemovesAValidEntry() {
        TestEnv env;
        QCOMPARE(AutostartEntry::path(), env.path("config/autostart/stashwick.desktop"));
        QVERIFY(!AutostartEntry::isEnabled());
        QString error;
        QVERIFY(AutostartEntry::setEnabled(true, "/opt/my apps/bin/stashwick", &error));
        QVERIFY(AutostartEntry::isEnabled());
        QFile f(AutostartEntry::path());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().contains("\nExec=\"/opt/my apps/bin/stashwick\"\n"));
        f.close();
        if (const QString validate = QStandardPaths::findExecutable("desktop-file-validate");
            !validate.isEmpty()) {
            QProcess p;
            p.start(validate, {AutostartEntry::path()});
            QVERIFY(p.waitForFinished(10000));
            QVERIFY2(p.exitCode() == 0, p.readAllStandardOutput().constData());
        }
        // The Exec line runs the command it names.
        const QString command = QStandardPaths::findExecutable("true");
        QVERIFY(AutostartEntry::setEnabled(true, command, &error));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QString exec;
        for (const QByteArray& line : f.readAll().split('\n')) {
            if (line.startsWith("Exec=\"") && line.endsWith('"')) {
                exec = QString::fromUtf8(line.mid(6, line.size() - 7));
            }
        }
        f.close();
        QCOMPARE(exec, command);
        QCOMPARE(QProcess::execute(exec, {}), 0);
        QVERIFY(AutostartEntry::setEnabled(false, QString(), &error));
        QVERIFY(!QFile::exists(AutostartEntry::path()));
        QVERIFY(AutostartEntry::setEnabled(false, QString(), &error)); // already off
    }

    void entriesSwitchedOffElsewhereReadAsOff() {
        TestEnv env;
        QVERIFY(AutostartEntry::setEnabled(true, "/usr/bin/stashwick", nullptr));
        for (const QByteArray& line :
             {QByteArray("Hidden=true"), QByteArray("X-GNOME-Autostart-enabled=false")}) {
            QFile f(AutostartEntry::path());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[Desktop Entry]\nType=Application\nExec=/usr/bin/stashwick\n" + line + "\n");
            f.close();
            QVERIFY2(!AutostartEntry::isEnabled(), line.constData());
        }
    }

    void aFolderThatCannotBeWrittenLogsAndChangesNothing() {
        TestEnv env;
        QFile blocker(env.path("config/autostart"));
        QVERIFY(QDir().mkpath(env.path("config")));
        QVERIFY(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
        blocker.close();
        LogCapture log;
        QString error;
        QVERIFY(!AutostartEntry::setEnabled(true, "/usr/bin/stashwick", &error));
        QVERIFY(log.mentions("io.stashwick.app", "login item update failed: "));
        QVERIFY(!AutostartEntry::isEnabled());
        QVERIFY(!AutostartEntry::setEnabled(true, "relative/stashwick", &error));
    }

    void aFullDiskKeepsThePreviousEntry() {
        FullDisk disk;
        if (!disk.mounted()) {
            QSKIP(qPrintable(disk.why()));
        }
        TestEnv env;
        qputenv("XDG_CONFIG_HOME", disk.path("config").toLocal8Bit());
        QVERIFY(AutostartEntry::setEnabled(true, "/usr/bin/stashwick", nullptr));
        const QByteArray before = FullDisk::contents(AutostartEntry::path());
        QVERIFY(disk.fill());
        LogCapture log;
        QString error;
        QVERIFY(!AutostartEntry::setEnabled(true, "/opt/elsewhere/bin/stashwick", &error));
        QVERIFY2(error.contains("No space left"), qPrintable(error));
        QVERIFY(log.mentions("io.stashwick.app", "login item update failed: "));
        QCOMPARE(FullDisk::contents(AutostartEntry::path()), before);
        QCOMPARE(QDir(disk.path("config/autostart")).entryList(QDir::Files | QDir::Hidden),
                 QStringList({"stashwick.desktop"})); // no temporary file left behind
    }

    void keyboardSettingsAreKnownForTheCommonDesktops() {
        QCOMPARE(KeyboardSettings::command("ubuntu:GNOME"),
                 QStringList({"gnome-control-center", "keyboard"}));
        QCOMPARE(KeyboardSettings::command("KDE"), QStringList({"systemsettings", "kcm_keys"}));
        QCOMPARE(KeyboardSettings::command("XFCE"), QStringList({"xfce4-keyboard-settings"}));
        QCOMPARE(KeyboardSettings::command("X-Cinnamon"),
                 QStringList({"cinnamon-settings", "keyboard"}));
        QCOMPARE(KeyboardSettings::command("MATE"), QStringList({"mate-keybinding-properties"}));
        QVERIFY(KeyboardSettings::command("openbox").isEmpty());
        QVERIFY(KeyboardSettings::command("").isEmpty());
    }
};

QTEST_GUILESS_MAIN(AutostartTest)
#include "tst_autostart.moc"
