// The real program's data path: a full disk under it (a small tmpfs), SIGKILL and SIGTERM,
// a start on a full disk, and commands started without the runtime folder.
#include "../x11/StashwickSession.h"
#include "SmallDisk.h"

#include <QDirIterator>
#include <QProcess>
#include <QTest>
#include <sys/stat.h>

namespace {

// The environment of `session` with its data folder on `disk`.
void putDataOn(StashwickSession& session, const SmallDisk& disk) {
    session.extraEnv.insert("XDG_DATA_HOME", disk.path(QStringLiteral("data")));
}

QString dataDir(const SmallDisk& disk) {
    return disk.path(QStringLiteral("data/Stashwick"));
}

// Programs that commands started in the background.
int backgroundPrograms() {
    QProcess pgrep;
    pgrep.start(QStringLiteral("pgrep"), {QStringLiteral("-c"), QStringLiteral("-f"),
                                          QStringLiteral("stashwick --instance")});
    pgrep.waitForFinished();
    return pgrep.readAllStandardOutput().trimmed().toInt();
}

qint64 snippetCount(const StashwickSession& session) {
    return session.dump()["snippetCount"].toInteger(-1);
}

// The permission bits of `path`.
int modeOf(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

// Whether the user `uid` (no groups) can read `path`, tried for real with setpriv.
bool readableBy(int uid, const QString& path) {
    QProcess cat;
    cat.start(QStringLiteral("setpriv"),
              {QStringLiteral("--reuid=%1").arg(uid), QStringLiteral("--regid=%1").arg(uid),
               QStringLiteral("--clear-groups"), QStringLiteral("cat"), path});
    cat.waitForFinished(10000);
    return cat.exitStatus() == QProcess::NormalExit && cat.exitCode() == 0;
}

// Everything below `root`, folders first.
QStringList everythingBelow(const QString& root) {
    QStringList out;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        out << it.next();
    }
    return out;
}

} // namespace

class DataPathTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aFullDiskIsReportedAndWhatWaitsIsSavedAtQuit() {
        SmallDisk disk(QStringLiteral("24m"));
        if (!disk.isMounted()) {
            QSKIP("needs root to mount a small tmpfs");
        }
        StashwickSession session;
        putDataOn(session, disk);
        QVERIFY(session.startInstance());
        QCOMPARE(session.stashwick({"stashwick://add-snippet/Before"}).exitCode, 0);
        const QByteArray stateBefore = [&] {
            QFile f(dataDir(disk) + "/state.json");
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        QVERIFY(!stateBefore.isEmpty());
        disk.fill();

        // Not saved: the command says so, and state.json is whole (the new one, when the
        // space the store gave back was enough for it, or the previous one).
        auto run = session.stashwick({"stashwick://add-snippet/Waiting"});
        QCOMPARE(run.exitCode, 3);
        QVERIFY2(run.err.contains("not saved yet: "), run.err.constData());
        QFile state(dataDir(disk) + "/state.json");
        QVERIFY(state.open(QIODevice::ReadOnly));
        const QByteArray stateNow = state.readAll();
        QVERIFY(stateNow == stateBefore || QJsonDocument::fromJson(stateNow).isObject());

        // Killed now, the waiting change is lost, as the command said it might be.
        session.instance()->kill();
        session.instance()->waitForFinished();
        disk.releaseAll();
        QVERIFY(session.startInstance());
        QCOMPARE(snippetCount(session), 1);

        // Waiting again; space comes back; SIGTERM saves it on the way out.
        disk.fill();
        QCOMPARE(session.stashwick({"stashwick://add-snippet/Kept"}).exitCode, 3);
        disk.releaseAll();
        const QByteArray log = session.stopInstance();
        QVERIFY2(!log.contains("save failed at quit"), log.constData());
        QVERIFY(session.startInstance());
        QCOMPARE(snippetCount(session), 2);
    }

    void aStoreThatCannotBeOpenedIsNeverSilent() {
        SmallDisk disk(QStringLiteral("4m"));
        if (!disk.isMounted()) {
            QSKIP("needs root to mount a small tmpfs");
        }
        StashwickSession session;
        putDataOn(session, disk);
        QVERIFY(QDir().mkpath(dataDir(disk)));
        disk.fill();
        // The program tries for a few seconds, then runs in memory and says so every time.
        QProcess program;
        program.setProcessEnvironment(session.env());
        program.start(QStringLiteral(STASHWICK_BIN), {});
        QVERIFY(program.waitForStarted());
        QVERIFY(QTest::qWaitFor(
            [&] { return QFile::exists(session.homePath("run/stashwick/instance.sock")); }, 15000));
        const auto run = session.stashwick({"stashwick://add-snippet/Memory"});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.err.contains("stashwick: not saved: "), run.err.constData());
        program.terminate();
        QVERIFY(program.waitForFinished(10000));
        const QByteArray log = program.readAllStandardError();
        QVERIFY2(log.contains("falling back to in-memory"), log.constData());
    }

    void commandsWithoutTheRuntimeFolderReachTheOneProgram() {
        StashwickSession session;
        QVERIFY(session.startInstance());
        QVERIFY(session.setClipboard("captured by many"));
        const int programsBefore = backgroundPrograms();
        QProcessEnvironment bare = session.env();
        bare.remove("XDG_RUNTIME_DIR");
        // Fifteen at once, as a script might: one program answers them all.
        std::vector<std::unique_ptr<QProcess>> commands;
        for (int i = 0; i < 15; ++i) {
            auto p = std::make_unique<QProcess>();
            p->setProcessEnvironment(bare);
            p->start(QStringLiteral(STASHWICK_BIN),
                     {QStringLiteral("stashwick://capture-to-slot/%1").arg(i % 3)});
            commands.push_back(std::move(p));
        }
        for (auto& p : commands) {
            QVERIFY(p->waitForFinished(30000));
            QCOMPARE(p->exitCode(), 0);
        }
        QCOMPARE(session.instance()->state(), QProcess::Running);
        const QJsonObject state = session.dump();
        QCOMPARE(state["totalCopies"].toInteger(), 15);
        for (int slot = 0; slot < 3; ++slot) {
            QCOMPARE(session.slot(slot)["preview"].toString(), QStringLiteral("captured by many"));
        }
        // No second program was started on the other runtime folder.
        QCOMPARE(backgroundPrograms(), programsBefore);
    }

    // Debian's defaults: umask 022 and a home folder others may enter. What the program writes
    // is its user's alone all the same, and another user cannot read any of it.
    void everythingTheProgramWritesIsPrivate() {
        StashwickSession session;
        const QString home = session.homePath(QString());
        QVERIFY(QFile::setPermissions(home, QFile::permissions(home) | QFileDevice::ReadOther |
                                                QFileDevice::ExeOther | QFileDevice::ReadGroup |
                                                QFileDevice::ExeGroup));
        const mode_t previous = ::umask(022);
        const bool started = session.startInstance();
        ::umask(previous);
        QVERIFY(started);
        QVERIFY(session.setClipboard("hunter2 is my password"));
        QCOMPARE(session.stashwick({"stashwick://capture-to-slot/1"}).exitCode, 0);
        QCOMPARE(session.stashwick({"stashwick://add-snippet/Pin/1234"}).exitCode, 0);
        QVERIFY(QTest::qWaitFor([&] { return session.dump()["historyCount"].toInteger() >= 1; },
                                10000));
        const QStringList written =
            everythingBelow(session.homePath("data")) + everythingBelow(session.homePath("config"));
        QStringList names;
        for (const QString& path : written) {
            const QFileInfo info(path);
            names << info.fileName();
            if (info.isDir()) {
                // Our own folders; the XDG base folders above them are the desktop's.
                if (info.fileName() == "Stashwick") {
                    QCOMPARE(modeOf(path), 0700);
                }
                continue;
            }
            QVERIFY2(modeOf(path) == 0600, qPrintable(path));
        }
        for (const char* name : {"Store.sqlite", "Store.sqlite-wal", "Store.sqlite-shm",
                                 "Store.sqlite.lock", "state.json"}) {
            QVERIFY2(names.contains(name), qPrintable(name));
        }
        if (::getuid() != 0) {
            return; // another user's view needs root to become one
        }
        for (const QString& path : written) {
            if (QFileInfo(path).isFile()) {
                QVERIFY2(!readableBy(65534, path), qPrintable(path));
            }
        }
        // The check itself works: a file that is open to others is read.
        const QString open = home + "/open.txt";
        QFile f(open);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("anyone");
        f.close();
        QVERIFY(QFile::setPermissions(open, QFile::permissions(open) | QFileDevice::ReadOther));
        QVERIFY(readableBy(65534, open));
    }

    // Without XDG_RUNTIME_DIR the program does not use a name in /tmp that another user
    // could have made first.
    void aRuntimeFolderMadeByAnotherUserDoesNotStopTheProgram() {
        if (::getuid() != 0) {
            QSKIP("needs root to make a folder as another user");
        }
        const QString squatted = QStringLiteral("/tmp/stashwick-%1").arg(::getuid());
        const bool existed = QFileInfo::exists(squatted);
        if (!existed) {
            QVERIFY(QDir().mkpath(squatted));
            QVERIFY(::chown(QFile::encodeName(squatted).constData(), 65534, 65534) == 0);
        }
        StashwickSession session;
        session.extraEnv.insert("HOME", session.homePath("home"));
        session.extraEnv.insert("XDG_CACHE_HOME", session.homePath("home/.cache"));
        session.extraEnv.insert("XDG_RUNTIME_DIR", QString());
        QVERIFY(QDir().mkpath(session.homePath("home")));
        QVERIFY(session.startInstance());
        QCOMPARE(session.stashwick({"stashwick://dump"}).exitCode, 0);
        if (QFileInfo::exists(QStringLiteral("/run/user/%1").arg(::getuid()))) {
            return; // the session manager's folder is used where there is one
        }
        const QStringList runtime = QDir(session.homePath("home/.cache/stashwick"))
                                        .entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QCOMPARE(runtime.size(), 1);
        QVERIFY(runtime.first().startsWith("runtime-"));
        QCOMPARE(modeOf(session.homePath("home/.cache/stashwick")), 0700);
        QCOMPARE(modeOf(session.homePath("home/.cache/stashwick/" + runtime.first())), 0700);
        if (!existed) {
            QDir(squatted).removeRecursively();
        }
    }
};

QTEST_MAIN(DataPathTest)
#include "tst_datapath.moc"
