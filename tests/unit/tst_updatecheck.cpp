#include "shell/FeedUpdateChecker.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace {
// A one-page HTTP server on the loopback address.
class FeedServer : public QObject {
public:
    QByteArray body;
    int status = 200;
    explicit FeedServer(QByteArray b) : body(std::move(b)) {
        server.listen(QHostAddress::LocalHost, 0);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* s = server.nextPendingConnection();
            connect(s, &QTcpSocket::readyRead, s, [this, s] {
                s->readAll();
                s->write("HTTP/1.1 " + QByteArray::number(status) +
                         " OK\r\nContent-Type: application/rss+xml\r\n"
                         "Content-Length: " +
                         QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
                s->disconnectFromHost();
            });
        });
    }
    QUrl url() const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/feed.xml").arg(server.serverPort()));
    }
    QTcpServer server;
};

const QByteArray feed =
    "<?xml version=\"1.0\"?>\n"
    "<rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">\n"
    "<channel><title>Stashwick</title>\n"
    "<item><title>Stashwick 0.9.0</title><link>https://example.org/0.9.0</link></item>\n"
    "<item><title>Version 1.2.0</title><sparkle:version>1.2.0</sparkle:version>\n"
    "  <enclosure url=\"https://example.org/stashwick-1.2.0.tar.gz\" length=\"1\"/></item>\n"
    "<item><title>Stashwick 1.10.1</title><link>https://example.org/1.10.1</link></item>\n"
    "</channel></rss>\n";

UpdateChecking::Result check(FeedUpdateChecker& checker) {
    UpdateChecking::Result result;
    bool done = false;
    checker.onResult = [&](const UpdateChecking::Result& r) {
        result = r;
        done = true;
    };
    checker.checkForUpdates();
    [[maybe_unused]] const bool finished = QTest::qWaitFor([&] { return done; }, 15000);
    return result;
}
} // namespace

class UpdateCheckTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsTheNewestRelease() {
        const auto newest = FeedUpdateChecker::newestRelease(feed);
        QVERIFY(newest);
        QCOMPARE(newest->version, QStringLiteral("1.10.1")); // numeric, not text, order
        QCOMPARE(newest->link, QStringLiteral("https://example.org/1.10.1"));
        QVERIFY(!FeedUpdateChecker::newestRelease("<rss><channel><item>"));
        QVERIFY(!FeedUpdateChecker::newestRelease(
            "<rss><channel><item><title>no version</title></item></channel></rss>"));
    }

    void againstALocalServer() {
        FeedServer server(feed);
        FeedUpdateChecker older(server.url(), "1.2.0");
        auto r = check(older);
        QCOMPARE(r.kind, UpdateChecking::Result::Kind::NewerAvailable);
        QCOMPARE(r.version, QStringLiteral("1.10.1"));
        QVERIFY(r.message.contains("https://example.org/1.10.1"));

        FeedUpdateChecker same(server.url(), "1.10.1");
        QCOMPARE(check(same).kind, UpdateChecking::Result::Kind::UpToDate);
        QCOMPARE(check(same).message, QStringLiteral("Stashwick 1.10.1 is the newest version."));

        server.body = "<html>not a feed";
        FeedUpdateChecker malformed(server.url(), "1.0");
        QCOMPARE(check(malformed).kind, UpdateChecking::Result::Kind::Failed);

        FeedUpdateChecker none(QUrl(), "1.0");
        r = check(none);
        QCOMPARE(r.kind, UpdateChecking::Result::Kind::NoFeed);
        QVERIFY(r.message.contains("package manager"));
    }

    void unreachableFeedsFailQuickly() {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        const quint16 port = closed.serverPort();
        closed.close();
        FeedUpdateChecker checker(QUrl(QStringLiteral("http://127.0.0.1:%1/feed").arg(port)),
                                  "1.0");
        const auto r = check(checker);
        QCOMPARE(r.kind, UpdateChecking::Result::Kind::Failed);
        QVERIFY(r.message.startsWith("Could not check for updates"));
    }

    void onlyHttpsFeedsAreRead() {
        for (const char* feed : {"http://updates.example.org/feed.xml", "ftp://127.0.0.1/feed",
                                 "file:///tmp/feed.xml", "http://127.0.0.1.example.org/f"}) {
            FeedUpdateChecker checker{QUrl(QString::fromLatin1(feed)), "1.0"};
            const auto r = check(checker);
            QCOMPARE(r.kind, UpdateChecking::Result::Kind::Failed);
            QVERIFY2(r.message.startsWith("The update feed address is not https"), feed);
        }
        QVERIFY(FeedUpdateChecker::isSafeFeed(QUrl("https://updates.example.org/feed.xml")));
    }
};

QTEST_GUILESS_MAIN(UpdateCheckTest)
#include "tst_updatecheck.moc"
