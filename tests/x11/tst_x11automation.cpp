// The real program under Xvfb, driven only through the stashwick command and the real
// clipboard (xclip), with temporary XDG folders; results read back from state.json.
#include "StashwickSession.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

class X11AutomationTest : public QObject {
    Q_OBJECT

    StashwickSession m_session;

    bool ok(const QString& url) const { return m_session.ok(url); }
    QJsonObject state() const { return m_session.state(); }
    QJsonObject slot(int i) const { return m_session.slot(i); }
    bool setClipboard(const QByteArray& text) { return m_session.setClipboard(text); }
    QString stateFile() const { return m_session.stateFile(); }
    QString dataDir() const { return m_session.dataDir(); }
    using Run = StashwickSession::Run;
    Run stashwick(const QStringList& args) const { return m_session.stashwick(args); }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_session.startInstance()); }
    void cleanupTestCase() { m_session.stopInstance(); }

    void commandLine() {
        const Run help = stashwick({"--help"});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.contains("stashwick://capture-to-slot/3"));
        QCOMPARE(stashwick({"--version"}).out.trimmed(),
                 QByteArray("stashwick " STASHWICK_VERSION));
        const Run unknown = stashwick({"--frobnicate", "stashwick://dump"});
        QCOMPARE(unknown.exitCode, 2);
        QCOMPARE(unknown.out, QByteArray());
        QCOMPARE(unknown.err,
                 QByteArray("stashwick: unknown option --frobnicate (see stashwick --help)\n"));
        // A second start hands over to the running instance.
        const Run second = stashwick({});
        QCOMPARE(second.exitCode, 0);
        QVERIFY(second.out.contains("already running"));
        QCOMPARE(m_session.instance()->state(), QProcess::Running);
        // Several URLs in one command run in order, in the running instance. (What each
        // command does is the automation suite's.)
        QVERIFY(stashwick({"stashwick://show-tab/history", "stashwick://next-tab"}).exitCode == 0);
        QCOMPARE(state()["mainTab"].toString(), QStringLiteral("snippets"));
    }

    void refusalsExitNonZeroAndLeaveTheStateAlone() {
        QVERIFY(ok("stashwick://dump"));
        QFile f(stateFile());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray before = f.readAll();
        f.close();
        const QString tooLong = "stashwick://add-snippet/" + QString(70000, 'a');
        for (const QString& url :
             {QStringLiteral("stashwick://frobnicate/1"), QStringLiteral("STASHWICK://dump"),
              QStringLiteral("http://dump"), QStringLiteral("stashwick://dump/%zz"), tooLong}) {
            const Run r = stashwick({url});
            QCOMPARE(r.exitCode, 1);
            QCOMPARE(r.err.count('\n'), 1);
            QVERIFY(r.err.size() < 300); // a long URL is not echoed whole
        }
        QVERIFY(stashwick({"stashwick://frobnicate"}).err.contains("unknown action: frobnicate"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
    }

    void aRefusalOutranksNothingToActOn() {
        stashwick({"stashwick://clear-slot/7"});
        QCOMPARE(slot(7)["kind"].toString(), QStringLiteral("empty"));
        for (const QStringList& urls :
             {QStringList{"stashwick://frobnicate", "stashwick://load-slot/7"},
              QStringList{"stashwick://load-slot/7", "stashwick://frobnicate"}}) {
            const Run r = stashwick(urls);
            QCOMPARE(r.exitCode, 1);
            QCOMPARE(r.err.count('\n'), 2); // one line for each URL that did nothing
        }
        // Understood, but nothing to act on: exit 3 with one line saying why.
        QVERIFY(setClipboard(""));
        const Run empty = stashwick({"stashwick://capture-to-slot/4"});
        QCOMPARE(empty.exitCode, 3);
        QCOMPARE(empty.err.count('\n'), 1);
        QVERIFY2(empty.err.contains("nothing captured: the clipboard is empty"),
                 empty.err.constData());
    }

    void urlsUpToTheLengthLimitAreTaken() {
        constexpr int limit = 64 * 1024;
        const QByteArray head = "stashwick://add-snippet/";
        const QByteArray exact = head + QByteArray(limit - head.size(), 't');
        const QByteArray over = exact + 't';
        QVERIFY(ok(QString::fromLatin1(exact)));
        QCOMPARE(state()["snippets"].toArray()[0].toObject()["title"].toString().size(),
                 limit - head.size());
        const Run r = stashwick({QString::fromLatin1(over)});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains("URL longer than 65536 bytes"), r.err.constData());
        QVERIFY(ok("stashwick://delete-snippet/1"));

        // The program draws the same line for a client that is not the command.
        QLocalSocket socket;
        socket.connectToServer(m_session.homePath("run/stashwick/instance.sock"));
        QVERIFY(socket.waitForConnected(2000));
        const auto ask = [&](const QByteArray& url) {
            QByteArray frame(4, '\0');
            qToBigEndian(static_cast<quint32>(url.size()), frame.data());
            socket.write(frame + url);
            QByteArray reply;
            while (reply.size() < 4 ||
                   reply.size() < 4 + qFromBigEndian<quint32>(reply.constData())) {
                if (!socket.waitForReadyRead(10000)) {
                    return QByteArray();
                }
                reply += socket.readAll();
            }
            return reply.mid(4);
        };
        const QByteArray dumpHead = "stashwick://dump/";
        const QByteArray dumpExact = dumpHead + QByteArray(limit - dumpHead.size(), 'd');
        QCOMPARE(ask(dumpExact), QByteArray("0"));
        const QByteArray refused = ask(dumpExact + 'd');
        QCOMPARE(refused.left(1), QByteArray("1"));
        QVERIFY2(refused.contains("URL longer than 65536 bytes"), refused.constData());
    }

    void idleConnectionsDoNotLockTheCommandOut() {
        QList<QLocalSocket*> idle;
        for (int i = 0; i < 20; ++i) {
            auto* s = new QLocalSocket(this);
            s->connectToServer(m_session.homePath("run/stashwick/instance.sock"));
            QVERIFY(s->waitForConnected(2000));
            idle.append(s);
        }
        QVERIFY(ok("stashwick://dump"));
        qDeleteAll(idle);
    }

    void dataSurvivesARestartAndUrlsStartTheProgram() {
        QVERIFY(setClipboard("kept across restarts"));
        QVERIFY(ok("stashwick://capture-to-slot/2"));
        const QByteArray log = m_session.stopInstance();
        QVERIFY2(log.contains("Stashwick launched"), log.constData());
        // No instance: the command starts one in the background and hands it the URL.
        QVERIFY(ok("stashwick://dump"));
        QCOMPARE(slot(2)["preview"].toString(), QStringLiteral("kept across restarts"));
        // A killed instance leaves its socket and lock behind; the next start is not stopped
        // by them.
        const QString pattern = QStringLiteral(STASHWICK_BIN) + " --instance";
        QCOMPARE(QProcess::execute("pkill", {"-KILL", "-f", pattern}), 0);
        QTRY_VERIFY_WITH_TIMEOUT(QProcess::execute("pgrep", {"-f", pattern}) != 0, 5000);
        QVERIFY(QFile::exists(m_session.homePath("run/stashwick/instance.sock")));
        QVERIFY(ok("stashwick://dump"));
        QCOMPARE(slot(2)["preview"].toString(), QStringLiteral("kept across restarts"));
        QCOMPARE(QProcess::execute("pkill", {"-TERM", "-f", pattern}), 0);
    }

    void aCorruptStoreFallsBackToMemoryAndIsLeftUntouched() {
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(m_session.homePath("run/stashwick/instance.sock")),
                                 10000);
        const QString store = dataDir() + "/Store.sqlite";
        QFile::remove(store + "-wal");
        QFile::remove(store + "-shm");
        {
            QFile f(store);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(QByteArray(20000, '\x5a'));
        }
        // Empty when the file cannot be read.
        auto digest = [&] {
            QFile f(store);
            return f.open(QIODevice::ReadOnly)
                       ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                       : QByteArray();
        };
        const QByteArray before = digest();
        QVERIFY(!before.isEmpty());
        QVERIFY(m_session.startInstance());
        QCOMPARE(slot(2)["kind"].toString(), QStringLiteral("empty"));
        QVERIFY(setClipboard("only in memory"));
        QVERIFY(ok("stashwick://capture-to-slot/4"));
        QCOMPARE(slot(4)["preview"].toString(), QStringLiteral("only in memory"));
        const QByteArray log = m_session.stopInstance();
        QVERIFY2(log.contains("primary store failed: "), log.constData());
        QVERIFY(log.contains("; falling back to in-memory"));
        QCOMPARE(digest(), before);
    }

    void chordsAreOffInAWaylandSession() {
        // Qt on XWayland: X11 works, but the session is Wayland.
        m_session.extraEnv = {{"XDG_SESSION_TYPE", "wayland"}, {"WAYLAND_DISPLAY", "wayland-9"}};
        QVERIFY(m_session.startInstance());
        const QJsonObject s = m_session.dump();
        m_session.stopInstance();
        m_session.extraEnv.clear();
        QCOMPARE(s["accessibilityTrusted"].toBool(), false);
        QCOMPARE(s["eventTapActive"].toBool(), false);
    }
};

QTEST_GUILESS_MAIN(X11AutomationTest)
#include "tst_x11automation.moc"
