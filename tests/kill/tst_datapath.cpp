// The real program's data path: a full disk under it (a small tmpfs), SIGKILL and SIGTERM,
// a start on a full disk, and commands started without the runtime folder.
#include "../x11/StashwickSession.h"
#include "SmallDisk.h"

#include <QProcess>
#include <QTest>

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

} // namespace

class DataPathTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aFullDiskIsReportedAndWhatWaitsIsSavedAtQuit() {
        SmallDisk disk(24);
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
        SmallDisk disk(4);
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
};

QTEST_MAIN(DataPathTest)
#include "tst_datapath.moc"
