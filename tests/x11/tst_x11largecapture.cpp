// Large content captured through the real program. xclip hands anything over about 1 MB out in
// incremental (INCR) transfers, and serves one transfer at a time: a request that comes while
// it sends to someone else goes unanswered. The program's clipboard monitor reads each copy as
// soon as it is made; then another application pastes it (xclip must still serve others once
// the program is done with it), and then the program captures it. Content over the limit is refused
// without being read into memory; the program's peak memory (VmHWM, reset before each capture) is
// reported and bounded.
#include "StashwickSession.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QRandomGenerator>
#include <QTest>

class X11LargeCaptureTest : public QObject {
    Q_OBJECT

    StashwickSession m_session;
    QTemporaryDir m_dir;
    std::vector<std::unique_ptr<QProcess>> m_owners;

    // A PNG of random pixels (stored, not compressed): about side * side * 3 bytes.
    static QByteArray noisePng(int side) {
        QImage image(side, side, QImage::Format_RGB32);
        for (int y = 0; y < side; ++y) {
            QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(image.scanLine(y)),
                                                  side);
        }
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG", 100);
        return png;
    }

    // Copies `bytes` as `type` with xclip, as another application would, waits until xclip
    // owns the CLIPBOARD, and (unless `othersPaste` is false) until the program's history has
    // taken it, then lets another application paste it. The previous owner is left to see its
    // selection taken and exit.
    bool copy(const QByteArray& bytes, const QString& type, bool othersPaste = true) {
        const QString path = m_dir.filePath(QStringLiteral("content"));
        QFile::remove(path); // the previous owner may still be reading its own copy
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            return false;
        }
        file.close();
        const qint64 entries = othersPaste ? historyCount() : 0;
        auto xclip = std::make_unique<QProcess>();
        xclip->start(QStringLiteral("xclip"),
                     {"-quiet", "-selection", "clipboard", "-t", type, "-i", path});
        QProcess* owner = xclip.get();
        m_owners.push_back(std::move(xclip));
        // With -quiet, xclip says so once it owns the selection.
        const bool owning = QTest::qWaitFor(
            [owner] {
                owner->waitForReadyRead(50);
                return owner->readAllStandardError().contains("Waiting for selection requests") ||
                       owner->state() == QProcess::NotRunning;
            },
            20000);
        if (!owning || owner->state() != QProcess::Running) {
            return false;
        }
        if (!othersPaste) {
            return true;
        }
        // A request that came while xclip was sending to the program would go unanswered, so
        // the other application asks once the program has read the copy. It must get it all:
        // an owner left half-way through a transfer would answer nobody any more.
        if (!QTest::qWaitFor([&] { return historyCount() > entries; }, 20000)) {
            return false;
        }
        QProcess reader;
        reader.start(QStringLiteral("xclip"), {"-o", "-selection", "clipboard", "-t", type});
        if (!reader.waitForFinished(20000)) {
            reader.kill();
            reader.waitForFinished();
            return false;
        }
        return reader.readAllStandardOutput() == bytes;
    }

    qint64 historyCount() { return m_session.dump()["historyCount"].toInteger(); }

    // A memory figure of the program from its status ("VmHWM:", the resident peak since
    // resetPeak(); "VmRSS:"), in bytes; -1 when it cannot be read.
    qint64 memory(const char* field = "VmHWM:") const {
        QFile status(QStringLiteral("/proc/%1/status").arg(m_session.instance()->processId()));
        if (!status.open(QIODevice::ReadOnly)) {
            return -1;
        }
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith(field)) {
                return line.mid(6).trimmed().split(' ').first().toLongLong() * 1024;
            }
        }
        return -1;
    }
    bool resetPeak() const {
        QFile refs(QStringLiteral("/proc/%1/clear_refs").arg(m_session.instance()->processId()));
        return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
    }
    // Waits for the program to log a line holding `part`.
    bool logs(const QByteArray& part) {
        return QTest::qWaitFor([&] { return m_session.log().contains(part); }, 60000);
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_session.startInstance()); }

    void cleanupTestCase() {
        m_session.stopInstance();
        for (auto& p : m_owners) {
            p->kill();
            p->waitForFinished();
        }
    }

    // 300 MB of text: refused with its size by the command (exit 3), skipped by the history
    // with a log line; the slot keeps what it had, and the program never holds the text.
    void refusesTextOverTheLimit() {
        QVERIFY(copy("before", QStringLiteral("UTF8_STRING")));
        QVERIFY(m_session.ok(QStringLiteral("stashwick://capture-to-slot/5")));
        const qint64 entries = m_session.dump()["historyCount"].toInteger();
        QVERIFY(copy(QByteArray(300 * 1000 * 1000, 'y'), QStringLiteral("UTF8_STRING"), false));
        QVERIFY(resetPeak());
        const qint64 before = memory("VmRSS:");
        const auto run = m_session.stashwick({QStringLiteral("stashwick://capture-to-slot/5")});
        QCOMPARE(run.exitCode, 3);
        QVERIFY2(run.err.contains("too large (300 MB"), run.err.constData());
        QVERIFY(logs("clipboard content of 300 MB not added to the history"));
        const qint64 peak = memory();
        qInfo("300 MB text refused; peak %lld MiB (%lld MiB before)",
              static_cast<long long>(peak >> 20), static_cast<long long>(before >> 20));
        QVERIFY2(peak > 0 && peak < 200LL * 1024 * 1024, qPrintable(QString::number(peak)));
        const QJsonObject state = m_session.dump();
        QCOMPARE(state["slots"].toArray()[5].toObject()["preview"].toString(),
                 QStringLiteral("before"));
        QCOMPARE(state["historyCount"].toInteger(), entries);
        // xclip was drained, not left half-way: it still serves others.
        QCOMPARE(m_session.clipboard(QStringLiteral("UTF8_STRING")).size(), 300 * 1000 * 1000);
    }

    // 200 MB of text, under the limit: captured, at a peak of at most four times its size.
    void capturesLargeTextWithinFourTimesItsSize() {
        const QByteArray head = QByteArray::number(QRandomGenerator::global()->generate64());
        constexpr qint64 size = 200 * 1000 * 1000;
        QByteArray text = head + ' ';
        text.append(QByteArray(size - text.size(), 'x'));
        QVERIFY(copy(text, QStringLiteral("UTF8_STRING"), false));
        text.clear();
        QVERIFY(resetPeak());
        const qint64 before = memory("VmRSS:");
        QElapsedTimer timer;
        timer.start();
        const auto run = m_session.stashwick({QStringLiteral("stashwick://capture-to-slot/0")});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        const qint64 peak = memory();
        qInfo("200 MB text captured in %lld ms; peak %lld MiB (%lld MiB before)",
              static_cast<long long>(timer.elapsed()), static_cast<long long>(peak >> 20),
              static_cast<long long>(before >> 20));
        QVERIFY2(peak > 0 && peak <= 4 * size, qPrintable(QString::number(peak)));
        QVERIFY(m_session.slot(0)["preview"].toString().startsWith(QString::fromLatin1(head)));
    }

    void capturesLargeImagesWhole_data() {
        QTest::addColumn<int>("side");
        QTest::newRow("6 MB") << 1415;
        QTest::newRow("25 MB") << 2887;
    }

    // Twenty fresh images in a row, each captured and loaded back byte for byte.
    void capturesLargeImagesWhole() {
        QFETCH(int, side);
        QStringList failures;
        qint64 slowest = 0;
        qsizetype bytes = 0;
        for (int i = 0; i < 20; ++i) {
            const QByteArray png = noisePng(side);
            bytes = png.size();
            QVERIFY(copy(png, QStringLiteral("image/png")));
            const int slot = i % 10;
            QElapsedTimer timer;
            timer.start();
            const auto run =
                m_session.stashwick({QStringLiteral("stashwick://capture-to-slot/%1").arg(slot)});
            slowest = std::max(slowest, timer.elapsed());
            if (run.exitCode != 0) {
                failures << QStringLiteral("#%1 exit %2 %3")
                                .arg(i)
                                .arg(run.exitCode)
                                .arg(QString::fromUtf8(run.err.trimmed()));
                continue;
            }
            if (!m_session.ok(QStringLiteral("stashwick://load-slot/%1").arg(slot)) ||
                m_session.clipboard(QStringLiteral("image/png")) != png) {
                failures << QStringLiteral("#%1 slot %2 does not hold the image").arg(i).arg(slot);
            }
        }
        qInfo("%lld-byte images: %lld of 20 captured whole, slowest capture %lld ms",
              static_cast<long long>(bytes), 20LL - failures.size(),
              static_cast<long long>(slowest));
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QStringLiteral("; "))));
    }
};

QTEST_GUILESS_MAIN(X11LargeCaptureTest)
#include "tst_x11largecapture.moc"
