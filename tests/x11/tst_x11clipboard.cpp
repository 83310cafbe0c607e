// The real X11 CLIPBOARD: foreign owners (xclip, and a small Qt owner for several flavours)
// put content on it and SystemClipboard reads it; what Stashwick writes is read by xclip.
#include "LogCapture.h"
#include "TestEnv.h"
#include "TestImages.h"
#include "clipboard/ClipboardMonitor.h"
#include "clipboard/SystemClipboard.h"
#include "core/ManualScheduler.h"
#include "core/QtScheduler.h"
#include "core/SystemClock.h"
#include "platform/qt/QtPasteboard.h"
#include "platform/x11/X11NativeSelection.h"
#include "platform/x11/X11PasteboardReader.h"
#include "store/SlotStore.h"
#include "store/StoreContainer.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

class X11ClipboardTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<QtPasteboard> m_pb;
    SystemClock m_clock;
    std::unique_ptr<SystemClipboard> m_clipboard;
    std::vector<std::unique_ptr<QProcess>> m_owners;
    int m_ownerCount = 0;

    QString file(const QString& name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
            qFatal("cannot write %s", qPrintable(path));
        }
        return path;
    }

    // Starts a foreign owner and waits until its content (offering `type`) reaches us.
    QProcess* own(const QString& program, const QStringList& args, const QString& type) {
        const qint64 before = m_pb->changeCount();
        auto proc = std::make_unique<QProcess>();
        proc->start(program, args);
        if (!proc->waitForStarted()) {
            return nullptr;
        }
        QProcess* raw = proc.get();
        m_owners.push_back(std::move(proc));
        const bool arrived = QTest::qWaitFor(
            [&] {
                if (m_pb->changeCount() == before) {
                    return false;
                }
                const auto types = m_pb->types();
                return types && types->contains(type);
            },
            10000);
        if (!arrived) {
            return nullptr;
        }
        return raw;
    }
    QProcess* xclip(const QString& type, const QByteArray& bytes) {
        return own(QStringLiteral("xclip"),
                   {"-quiet", "-selection", "clipboard", "-t", type, "-i",
                    file(QStringLiteral("xclip.in"), bytes)},
                   type == QStringLiteral("UTF8_STRING") ? QStringLiteral("text/plain") : type);
    }
    // Each owner also offers a type of its own, which tells it from the owner before it (that
    // may offer the same types) as soon as it has taken the clipboard.
    QProcess* qtOwner(const QList<std::pair<QString, QByteArray>>& flavours) {
        QStringList args;
        int i = 0;
        for (const auto& [type, bytes] : flavours) {
            args << type + QLatin1Char('=') + file(QStringLiteral("flavour%1").arg(i++), bytes);
        }
        const QString marker =
            QStringLiteral("application/x-stashwick-test-owner-%1").arg(++m_ownerCount);
        args << marker + QLatin1Char('=') + file(QStringLiteral("marker"), "1");
        return own(QStringLiteral(CLIPBOARD_OWNER), args, marker);
    }
    // The slow owner's content and what it offers it as.
    static inline const QString slowType = QStringLiteral("application/x-stashwick-slow");
    static QByteArray slowContent(int size) {
        QByteArray bytes(size, Qt::Uninitialized);
        for (int i = 0; i < size; ++i) {
            bytes[i] = static_cast<char>(i % 251);
        }
        return bytes;
    }
    // Runs xclip -o while our event loop keeps serving the selection.
    QByteArray xclipOut(const QString& target) {
        QProcess p;
        QSignalSpy done(&p, &QProcess::finished);
        p.start(QStringLiteral("xclip"), {"-o", "-selection", "clipboard", "-t", target});
        if (!done.wait(10000)) {
            p.kill();
            return {};
        }
        return p.readAllStandardOutput();
    }

private Q_SLOTS:
    void initTestCase() {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        m_pb =
            std::make_unique<QtPasteboard>(QGuiApplication::clipboard(), QClipboard::Clipboard,
                                           X11NativeSelection::forQtDisplay(QClipboard::Clipboard));
        m_clipboard = std::make_unique<SystemClipboard>(*m_pb, m_clock);
    }

    void cleanup() {
        for (auto& p : m_owners) {
            ::kill(static_cast<pid_t>(p->processId()), SIGCONT);
            p->kill();
            p->waitForFinished();
        }
        m_owners.clear();
    }

    void readsHtmlWithText() {
        QVERIFY(qtOwner({{"text/html", "<b>bold</b>"}, {"text/plain", "bold"}}));
        const auto item = m_clipboard->read();
        QVERIFY(item);
        QCOMPARE(item->kind, ClipboardKind::RichText);
        QCOMPARE(item->html, std::optional<QString>("<b>bold</b>"));
        QCOMPARE(item->text, std::optional<QString>("bold"));

        // HTML in UTF-16 with a byte-order mark, as browsers offer it.
        QByteArray utf16("\xFF\xFE", 2);
        for (QChar c : QStringLiteral("<i>é</i>")) {
            utf16.append(static_cast<char>(c.unicode() & 0xFF));
            utf16.append(static_cast<char>(c.unicode() >> 8));
        }
        QVERIFY(qtOwner({{"text/html", utf16}}));
        QCOMPARE(m_clipboard->read()->html, std::optional<QString>("<i>é</i>"));
    }

    void readsImagesOfferedAsPngOrTiffOnly() {
        const QByteArray png = TestImages::png(64, 48);
        QVERIFY(xclip("image/png", png));
        auto item = m_clipboard->read();
        QVERIFY(item);
        QCOMPARE(item->kind, ClipboardKind::Image);
        QCOMPARE(item->imagePNG->bytes(), png);

        const QImage picture = TestImages::pattern(30, 20);
        QVERIFY(xclip("image/tiff", TestImages::encode(picture, "tiff")));
        item = m_clipboard->read();
        QVERIFY(item);
        QCOMPARE(item->kind, ClipboardKind::Image);
        QImage back;
        QVERIFY(back.loadFromData(item->imagePNG->bytes(), "PNG"));
        QCOMPARE(back.convertToFormat(QImage::Format_RGB32), picture);

        // Bytes that claim to be an image but are not: no item.
        QVERIFY(xclip("image/tiff", "definitely not a tiff"));
        QVERIFY(!m_clipboard->read());
    }

    void readsTwoFiles() {
        QVERIFY(
            xclip("text/uri-list", "file:///tmp/one.txt\r\nfile:///home/u/two%20words.pdf\r\n"));
        const auto item = m_clipboard->read();
        QVERIFY(item);
        QCOMPARE(item->kind, ClipboardKind::Files);
        QCOMPARE(item->files, QStringList({"/tmp/one.txt", "/home/u/two words.pdf"}));
        QCOMPARE(item->text, std::optional<QString>("one.txt\ntwo words.pdf"));

        // As a GTK file manager copies them, a folder among them.
        QVERIFY(
            xclip("x-special/gnome-copied-files", "copy\nfile:///tmp/one.txt\nfile:///tmp/dir/"));
        const auto gnome = m_clipboard->read();
        QCOMPARE(gnome->kind, ClipboardKind::Files);
        QCOMPARE(gnome->files, QStringList({"/tmp/one.txt", "/tmp/dir"}));
        QCOMPARE(gnome->text, std::optional<QString>("one.txt\ndir"));
        // A folder through the URI list keeps its name too.
        QVERIFY(xclip("text/uri-list", "file:///home/u/Pictures/\r\n"));
        QCOMPARE(m_clipboard->read()->text, std::optional<QString>("Pictures"));
    }

    void secretsAreNeitherReadNorRecorded() {
        TestEnv env;
        auto container = StoreContainer::make(true, std::nullopt, nullptr);
        SlotStore slots(*container, m_clock);
        QtScheduler scheduler;
        ClipboardMonitor monitor(*m_clipboard, slots, scheduler);
        monitor.start(0.05);

        QVERIFY(xclip("UTF8_STRING", "visible"));
        QTRY_COMPARE_WITH_TIMEOUT(slots.recentHistory(10).size(), 1, 5000);

        QVERIFY(qtOwner({{"text/plain", "hunter2"}, {"x-kde-passwordManagerHint", "secret"}}));
        QVERIFY(m_clipboard->isConcealed());
        QVERIFY(!m_clipboard->read());
        const qint64 seen = m_pb->changeCount();
        QVERIFY(xclip("UTF8_STRING", "after the secret"));
        QTRY_COMPARE_WITH_TIMEOUT(slots.recentHistory(10).size(), 2, 5000);
        QVERIFY(m_pb->changeCount() > seen);
        QCOMPARE(slots.recentHistory(10).first().text, std::optional<QString>("after the secret"));
        QCOMPARE(slots.recentHistory(10).last().text, std::optional<QString>("visible"));
    }

    // The history follows X11's change notices: five copies 120 ms apart, each by its own
    // xclip (which quits once the next one takes the clipboard), all of them, in order.
    void aBurstOfCopiesIsRecordedInOrder() {
        auto container = StoreContainer::make(true, std::nullopt, nullptr);
        SlotStore slots(*container, m_clock);
        QtScheduler scheduler;
        ClipboardMonitor monitor(*m_clipboard, slots, scheduler);
        monitor.start(0.6);
        QVERIFY(monitor.followsNotices());
        QStringList burst;
        QElapsedTimer pace;
        pace.start();
        for (int i = 0; i < 5; ++i) {
            burst.prepend(QStringLiteral("burst copy %1").arg(i));
            // The copies go out 120 ms apart, the program's events served meanwhile.
            QVERIFY(QTest::qWaitFor([&] { return pace.elapsed() >= i * 120; }, 1000));
            auto proc = std::make_unique<QProcess>();
            proc->start(QStringLiteral("xclip"),
                        {"-quiet", "-selection", "clipboard", "-t", "UTF8_STRING", "-i",
                         file(QStringLiteral("burst%1").arg(i), burst.first().toUtf8())});
            m_owners.push_back(std::move(proc));
        }
        const auto texts = [&] {
            QStringList t;
            for (const auto& entry : slots.recentHistory(10)) {
                t << entry.text.value_or(QString());
            }
            return t;
        };
        QTRY_COMPARE_WITH_TIMEOUT(texts(), burst, 5000);
    }

    // A change whose owner quit before it was looked at is skipped with a log line, at once;
    // the next one is recorded.
    void aCopyWhoseOwnerQuitBeforeItWasReadIsSkipped() {
        auto container = StoreContainer::make(true, std::nullopt, nullptr);
        SlotStore slots(*container, m_clock);
        ManualClock clock;
        ManualScheduler looks(clock); // the look waits until the owner is gone
        ClipboardMonitor monitor(*m_clipboard, slots, looks);
        monitor.start(0.6);
        const qint64 before = m_pb->changeCount();
        QProcess* owner = new QProcess(this);
        owner->start(QStringLiteral("xclip"),
                     {"-quiet", "-selection", "clipboard", "-t", "UTF8_STRING", "-i",
                      file(QStringLiteral("quitter"), "gone before it is read")});
        QVERIFY(QTest::qWaitFor([&] { return m_pb->changeCount() != before; }, 5000));
        QCOMPARE(looks.pendingCount(), std::size_t{1});
        owner->kill();
        QVERIFY(owner->waitForFinished());
        delete owner;
        LogCapture log;
        QElapsedTimer timer;
        timer.start();
        looks.advance(0);
        qInfo("the look at a change whose owner quit took %lld ms",
              static_cast<long long>(timer.elapsed()));
        QVERIFY(slots.recentHistory(10).isEmpty());
        QVERIFY(
            log.mentions(QStringLiteral("io.stashwick.app"), QStringLiteral("could not be read")));
        QVERIFY(!m_pb->isStalled());

        QVERIFY(xclip("UTF8_STRING", "the next copy"));
        looks.advance(0);
        QCOMPARE(slots.recentHistory(10).size(), 1);
        QCOMPARE(slots.recentHistory(10).first().text, std::optional<QString>("the next copy"));
    }

    void xclipReadsWhatWeWrite() {
        ClipboardItem item;
        item.kind = ClipboardKind::Image;
        item.imagePNG = Blob(TestImages::png(16, 16));
        item.html = "<img>";
        item.text = "picture";
        m_clipboard->write(item);
        const QList<QByteArray> targets = xclipOut("TARGETS").split('\n');
        for (const char* t : {"image/png", "image/tiff", "text/html", "UTF8_STRING"}) {
            QVERIFY2(targets.contains(t), t);
        }
        QCOMPARE(xclipOut("image/png"), item.imagePNG->bytes());
        QCOMPARE(xclipOut("UTF8_STRING"), QByteArray("picture"));

        ClipboardItem files;
        files.kind = ClipboardKind::Files;
        files.files = {"/tmp/a b.txt"};
        m_clipboard->write(files);
        QCOMPARE(xclipOut("text/uri-list").trimmed(), QByteArray("file:///tmp/a%20b.txt"));
        QCOMPARE(xclipOut("x-special/gnome-copied-files"),
                 QByteArray("copy\nfile:///tmp/a%20b.txt"));
        // And we read our own writes back as the same kind.
        QCOMPARE(m_clipboard->read()->kind, ClipboardKind::Files);
    }

    void anOwnerThatStopsAnsweringCostsOneTimeout() {
        QProcess* owner = xclip("UTF8_STRING", "frozen");
        QVERIFY(owner);
        ::kill(static_cast<pid_t>(owner->processId()), SIGSTOP);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!m_clipboard->isConcealed());
        QVERIFY(!m_clipboard->read());
        const qint64 first = timer.restart();
        QVERIFY2(first < 7000, qPrintable(QString::number(first)));
        QVERIFY(m_pb->isStalled());
        // The same content is not asked for again.
        QVERIFY(!m_clipboard->read());
        QVERIFY(timer.elapsed() < 500);
        qInfo("stalled owner: gave up after %lld ms", static_cast<long long>(first));

        // New content is read normally again.
        QVERIFY(xclip("UTF8_STRING", "alive"));
        QCOMPARE(m_clipboard->read()->text, std::optional<QString>("alive"));
    }

    // However long a transfer takes, it is read to its end while chunks keep coming; one that
    // stops costs the stall deadline once.
    void theStallDeadlineCountsFromTheLastChunk() {
        // 24 chunks of 64 KiB, one every 200 ms: longer in all than the stall deadline.
        const int size = 24 * 65536;
        QVERIFY(own(QStringLiteral(INCR_OWNER), {QString::number(size), "65536", "200", "0"},
                    slowType));
        QElapsedTimer timer;
        timer.start();
        const auto bytes = m_pb->data(slowType);
        const qint64 slow = timer.restart();
        QVERIFY(bytes);
        QVERIFY(*bytes == slowContent(size));
        QVERIFY2(slow > X11PasteboardReader::stallMs, qPrintable(QString::number(slow)));

        QVERIFY(own(QStringLiteral(INCR_OWNER), {"1048576", "65536", "0", "4"}, slowType));
        timer.restart();
        QVERIFY(!m_pb->data(slowType));
        const qint64 stopped = timer.restart();
        QVERIFY2(stopped >= X11PasteboardReader::stallMs &&
                     stopped < X11PasteboardReader::stallMs + 2000,
                 qPrintable(QString::number(stopped)));
        QVERIFY(m_pb->isStalled());
        // (That stalled content is not asked for again is the silent owner's case: this owner
        // refuses a second request at once, so the time taken here would prove nothing.)
        QVERIFY(!m_pb->data(slowType));
        qInfo("%d bytes in %lld ms; a stopped transfer gave up after %lld ms", size,
              static_cast<long long>(slow), static_cast<long long>(stopped));
    }
};

QTEST_MAIN(X11ClipboardTest)
#include "tst_x11clipboard.moc"
