// Large content captured through the real program. xclip hands anything over about 1 MB out in
// incremental (INCR) transfers, and serves one transfer at a time: a request that comes while
// it sends to someone else goes unanswered. Here another application pastes each copy as soon
// as it is made, while the program's clipboard monitor may be reading it too, and then the
// program captures it.
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
    // owns the CLIPBOARD, and lets another application paste it. The previous owner is left to
    // see its selection taken and exit.
    bool copy(const QByteArray& bytes, const QString& type) {
        const QString path = m_dir.filePath(QStringLiteral("content"));
        QFile::remove(path); // the previous owner may still be reading its own copy
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            return false;
        }
        file.close();
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
        // The other application is stopped only when it got no answer at all (it asked while
        // xclip was sending to the program): an owner left half-way through a transfer would
        // answer nobody any more.
        QProcess reader;
        reader.setStandardOutputFile(QProcess::nullDevice());
        reader.start(QStringLiteral("xclip"), {"-o", "-selection", "clipboard", "-t", type});
        if (!reader.waitForFinished(10000)) {
            reader.kill();
            reader.waitForFinished();
        }
        return true;
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

    void capturesHugeText() {
        const QByteArray head = QByteArray::number(QRandomGenerator::global()->generate64());
        QByteArray text = head + ' ';
        text.append(QByteArray(140 * 1000 * 1000, 'x'));
        QVERIFY(copy(text, QStringLiteral("UTF8_STRING")));
        text.clear();
        QElapsedTimer timer;
        timer.start();
        const auto run = m_session.stashwick({QStringLiteral("stashwick://capture-to-slot/0")});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        qInfo("140 MB text captured in %lld ms", static_cast<long long>(timer.elapsed()));
        QVERIFY(m_session.slot(0)["preview"].toString().startsWith(QString::fromLatin1(head)));
    }
};

QTEST_GUILESS_MAIN(X11LargeCaptureTest)
#include "tst_x11largecapture.moc"
