#include "LogCapture.h"
#include "SmallDisk.h"
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
        QCOMPARE(AutostartEntry::path(),
                 env.path("config/autostart/io.stashwick.Stashwick.desktop"));
        QVERIFY(!AutostartEntry::isEnabled());
        QString error;
        QVERIFY(AutostartEntry::setEnabled(true, "/opt/my apps/bin/stashwick", &error));
        QVERIFY(AutostartEntry::isEnabled());
        QVERIFY(SmallDisk::contents(AutostartEntry::path())
                    .contains("\nExec=\"/opt/my apps/bin/stashwick\"\n"));
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
        QString exec;
        for (const QByteArray& line : SmallDisk::contents(AutostartEntry::path()).split('\n')) {
            if (line.startsWith("Exec=\"") && line.endsWith('"')) {
                exec = QString::fromUtf8(line.mid(6, line.size() - 7));
            }
        }
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

    // An entry written by an earlier release, under the earlier name, still counts; writing the
    // entry replaces it, and switching off removes both.
    void theEntryOfAnEarlierReleaseCountsUntilReplaced() {
        TestEnv env;
        QCOMPARE(AutostartEntry::earlierPath(), env.path("config/autostart/stashwick.desktop"));
        QVERIFY(QDir().mkpath(env.path("config/autostart")));
        const auto writeEarlier = [] {
            QFile f(AutostartEntry::earlierPath());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[Desktop Entry]\nType=Application\nExec=/usr/bin/stashwick\n");
        };
        writeEarlier();
        QVERIFY(AutostartEntry::isEnabled());
        QVERIFY(AutostartEntry::setEnabled(true, "/usr/bin/stashwick", nullptr));
        QCOMPARE(QDir(env.path("config/autostart")).entryList(QDir::Files | QDir::Hidden),
                 QStringList({"io.stashwick.Stashwick.desktop"}));
        QVERIFY(AutostartEntry::isEnabled());
        writeEarlier();
        QVERIFY(AutostartEntry::setEnabled(false, QString(), nullptr));
        QVERIFY(QDir(env.path("config/autostart")).isEmpty());
        QVERIFY(!AutostartEntry::isEnabled());
    }

    // The desktop's own launcher (GLib's, through `gio launch`) runs the program named in the
    // entry, whatever the installed path holds, and the entry is the user's alone.
    void awkwardPathsAreEscapedForTheLauncher_data() {
        QTest::addColumn<QString>("folder");
        QTest::newRow("spaces") << "my apps";
        QTest::newRow("percent") << "100% sure %u %f";
        QTest::newRow("quotes") << "say \"hi\" it's";
        QTest::newRow("shell characters") << "$HOME `id` $(id)";
        QTest::newRow("backslashes") << "back\\slash\\\\two \\n";
    }
    void awkwardPathsAreEscapedForTheLauncher() {
        QFETCH(QString, folder);
        const QString gio = QStandardPaths::findExecutable("gio");
        if (gio.isEmpty()) {
            QSKIP("needs gio (libglib2.0-bin)");
        }
        TestEnv env;
        const QString dir = env.path("bin/" + folder);
        QVERIFY(QDir().mkpath(dir));
        const QString marker = env.path("ran");
        const QString program = dir + "/stashwick";
        {
            QFile script(program);
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\nprintf '%s\\n' \"$0\" > '" + marker.toUtf8() + "'\n");
        }
        QVERIFY(QFile::setPermissions(program, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ExeOwner));
        QString error;
        QVERIFY2(AutostartEntry::setEnabled(true, program, &error), qPrintable(error));
        QCOMPARE(QFile::permissions(AutostartEntry::path()) &
                     (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteOther),
                 QFileDevice::Permissions());
        // GLib's reading of the line: the key file's escapes, the shell quoting, then %%.
        QProcess parse;
        parse.start("/usr/bin/python3",
                    {"-c",
                     "import sys\n"
                     "from gi.repository import GLib\n"
                     "k = GLib.KeyFile()\n"
                     "k.load_from_file(sys.argv[1], GLib.KeyFileFlags.NONE)\n"
                     "ok, argv = GLib.shell_parse_argv(k.get_string('Desktop Entry', 'Exec'))\n"
                     "print('\\n'.join(a.replace('%%', '%') for a in argv))\n",
                     AutostartEntry::path()});
        QVERIFY(parse.waitForFinished(10000));
        QVERIFY2(parse.exitCode() == 0, parse.readAllStandardError().constData());
        QCOMPARE(QString::fromUtf8(parse.readAllStandardOutput()).chopped(1), program);
        if (program.contains(u'%')) {
            return; // GLib looks for the program before it expands %%, so it cannot launch it
        }
        QProcess launch;
        launch.start(gio, {"launch", AutostartEntry::path()});
        QVERIFY(launch.waitForFinished(10000));
        QVERIFY2(launch.exitCode() == 0, launch.readAllStandardError().constData());
        QVERIFY(QTest::qWaitFor([&] { return QFileInfo(marker).size() > 0; }, 10000));
        QFile ran(marker);
        QVERIFY(ran.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(ran.readAll()).trimmed(), program);
    }

    // A path no entry can hold, a relative one, and a folder that cannot be written: refused,
    // the last with a log line, and nothing is written.
    void whatCannotBeWrittenIsRefused() {
        TestEnv env;
        std::optional<LogCapture> log;
        log.emplace();
        QString error;
        QVERIFY(!AutostartEntry::setEnabled(true, "/opt/a\nb/stashwick", &error));
        QVERIFY(error.contains("control character"));
        QVERIFY(!QFile::exists(AutostartEntry::path()));

        QFile blocker(env.path("config/autostart"));
        QVERIFY(QDir().mkpath(env.path("config")));
        QVERIFY(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
        blocker.close();
        log.emplace(); // the refusal above logs too
        QVERIFY(!AutostartEntry::setEnabled(true, "/usr/bin/stashwick", &error));
        QVERIFY(log->mentions("io.stashwick.app", "login item update failed: "));
        QVERIFY(!AutostartEntry::isEnabled());
        QVERIFY(!AutostartEntry::setEnabled(true, "relative/stashwick", &error));
    }

    void aFullDiskKeepsThePreviousEntry() {
        SmallDisk disk;
        if (!disk.isMounted()) {
            QSKIP(qPrintable(disk.why()));
        }
        TestEnv env;
        qputenv("XDG_CONFIG_HOME", disk.path("config").toLocal8Bit());
        QVERIFY(AutostartEntry::setEnabled(true, "/usr/bin/stashwick", nullptr));
        const QByteArray before = SmallDisk::contents(AutostartEntry::path());
        QVERIFY(disk.fill());
        LogCapture log;
        QString error;
        QVERIFY(!AutostartEntry::setEnabled(true, "/opt/elsewhere/bin/stashwick", &error));
        QVERIFY2(error.contains("No space left"), qPrintable(error));
        QVERIFY(log.mentions("io.stashwick.app", "login item update failed: "));
        QCOMPARE(SmallDisk::contents(AutostartEntry::path()), before);
        QCOMPARE(QDir(disk.path("config/autostart")).entryList(QDir::Files | QDir::Hidden),
                 QStringList({"io.stashwick.Stashwick.desktop"})); // no temporary file left behind
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
