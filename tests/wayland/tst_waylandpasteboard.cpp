// The data-control pasteboard in a real headless compositor, with wl-copy and wl-paste as the
// other programs, and a text field of our own on XWayland as the program's windows are. Run it
// through run-in-session.sh: it owns the session's clipboard.
#include "clipboard/ImageConversion.h"
#include "clipboard/PasteboardCodec.h"
#include "platform/wayland/DataControlDevice.h"
#include "platform/wayland/DataControlPasteboard.h"
#include "platform/wayland/DataControlProtocol.h"
#include "platform/wayland/WaylandConnection.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <memory>

namespace {
const QString plain = Pasteboard::stringType;

bool waitFor(const std::function<bool()>& done, int ms = 10000) {
    return QTest::qWaitFor(done, ms);
}

// Waits (the event loop running: our own content is served from it) for a process to end.
bool finishes(QProcess& p, int ms = 20000) {
    return waitFor([&p] { return p.state() == QProcess::NotRunning; }, ms) &&
           p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}
} // namespace

class WaylandPasteboardTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<WaylandConnection> m_connection;
    std::unique_ptr<DataControlDevice> m_device;
    std::unique_ptr<DataControlPasteboard> m_clipboard;
    std::unique_ptr<DataControlPasteboard> m_primary;
    std::vector<std::unique_ptr<QProcess>> m_owners;

    // wl-copy owning a selection with `bytes` until someone else takes it.
    void copy(const QStringList& args, const QByteArray& bytes) {
        auto p = std::make_unique<QProcess>();
        p->start(QStringLiteral("wl-copy"), QStringList{QStringLiteral("--foreground")} + args);
        p->write(bytes);
        p->closeWriteChannel();
        m_owners.push_back(std::move(p));
    }
    // What wl-paste gets; empty when it fails.
    QByteArray paste(const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral("timeout"),
                QStringList{QStringLiteral("5"), QStringLiteral("wl-paste")} + args);
        return finishes(p) ? p.readAllStandardOutput() : QByteArray();
    }
    // A text field of ours on XWayland holding the keyboard focus: the compositor hands the
    // clipboard to and from X11 windows only while one of them has it, and it may give the
    // focus later than Qt calls the window active.
    static std::unique_ptr<QLineEdit> focusedField() {
        auto field = std::make_unique<QLineEdit>();
        field->show();
        field->activateWindow();
        const bool focused = QTest::qWaitForWindowActive(field.get()) &&
                             waitFor([&] { return swayFocuses(field->winId()); });
        return focused ? std::move(field) : nullptr;
    }
    // Whether sway's focused window is the X11 window `id`.
    static bool swayFocuses(WId id) {
        QProcess p;
        p.start(QStringLiteral("swaymsg"), {"-r", "-t", "get_tree"});
        if (!finishes(p)) {
            return false;
        }
        const std::function<bool(const QJsonObject&)> focusedIn = [&](const QJsonObject& node) {
            if (node.value("focused").toBool()) {
                return node.value("window").toInteger() == qint64(id);
            }
            for (const char* children : {"nodes", "floating_nodes"}) {
                for (const auto& child : node.value(children).toArray()) {
                    if (focusedIn(child.toObject())) {
                        return true;
                    }
                }
            }
            return false;
        };
        return focusedIn(QJsonDocument::fromJson(p.readAllStandardOutput()).object());
    }
    static QByteArray readFile(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private Q_SLOTS:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("STASHWICK_TEST_COMPOSITOR")) {
            QFAIL("run this through tests/wayland/run-in-session.sh");
        }
        std::signal(SIGPIPE, SIG_IGN); // as the program does: a reader may go away
        QVERIFY(m_dir.isValid());
        m_connection = WaylandConnection::open();
        QVERIFY(m_connection);
        const WaylandBackends chosen = WaylandBackends::choose(m_connection->globals());
        m_device = DataControlDevice::create(*m_connection);
        QVERIFY(m_device);
        // The standard protocol wherever the compositor offers it.
        QCOMPARE(&m_device->protocol(), m_connection->global("ext_data_control_manager_v1")
                                            ? &DataControlProtocol::ext()
                                            : &DataControlProtocol::wlr());
        // As the program makes them: what its own windows copy is read from Qt.
        m_clipboard = std::make_unique<DataControlPasteboard>(
            *m_device, DataControlDevice::Selection::Clipboard, QGuiApplication::clipboard());
        m_primary = std::make_unique<DataControlPasteboard>(
            *m_device, DataControlDevice::Selection::Primary, QGuiApplication::clipboard());
        QCOMPARE(m_primary->isAvailable(), chosen.primarySelection);
    }

    void cleanupTestCase() {
        for (auto& p : m_owners) {
            p->kill();
            p->waitForFinished();
        }
        m_primary.reset();
        m_clipboard.reset();
        m_device.reset();
        m_connection.reset();
    }

    // Text, an image and files copied by another program, each raising the change count and
    // read back exactly; a cleared clipboard has no types.
    void readsWhatOthersCopy() {
        DataControlPasteboard& pb = *m_clipboard;
        const QString text = QStringLiteral("Grüße, 世界 — ✓\nzweite Zeile");
        qint64 before = pb.changeCount();
        copy({"-t", "text/plain"}, text.toUtf8());
        QVERIFY(waitFor([&] { return pb.changeCount() > before; }));
        QCOMPARE(pb.types().value_or(QStringList()), QStringList{plain});
        QCOMPARE(pb.string(plain), text);
        const auto item = PasteboardCodec::read(pb, Instant());
        QVERIFY(item && item->kind == ClipboardKind::Text);
        QCOMPARE(item->text, text);

        QImage image(320, 200, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                image.setPixel(x, y, qRgb(x % 256, y, (x * y) % 256));
            }
        }
        const QByteArray png = ImageConversion::toPng(image).value();
        before = pb.changeCount();
        copy({"-t", "image/png"}, png);
        QVERIFY(waitFor([&] { return pb.changeCount() > before; }));
        QCOMPARE(pb.types().value_or(QStringList()), QStringList{Pasteboard::pngType});
        QCOMPARE(pb.data(Pasteboard::pngType), png);
        const auto tiff = pb.firstImageTiff();
        QVERIFY(tiff);
        QCOMPARE(ImageConversion::decode(*tiff, "tiff").value().convertToFormat(image.format()),
                 image);
        const auto imageItem = PasteboardCodec::read(pb, Instant());
        QVERIFY(imageItem && imageItem->kind == ClipboardKind::Image && imageItem->imagePNG);
        QCOMPARE(imageItem->imagePNG->bytes(), png);

        before = pb.changeCount();
        copy({"-t", "text/uri-list"}, "file:///tmp/a%20b/\r\nfile:///etc/hosts\r\n");
        QVERIFY(waitFor([&] { return pb.changeCount() > before; }));
        QCOMPARE(pb.fileUrlPaths(), (QStringList{"/tmp/a b", "/etc/hosts"}));

        before = pb.changeCount();
        QProcess clear;
        clear.start(QStringLiteral("wl-copy"), {QStringLiteral("--clear")});
        QVERIFY(finishes(clear));
        QVERIFY(waitFor([&] { return pb.changeCount() > before; }));
        QVERIFY(!pb.types());
        QVERIFY(!pb.isStalled());
    }

    // Our own item: one change per write, read from memory, pasted exactly under every text
    // name; a 25 MB image served to a slow reader, a fast one and one that quits, while the
    // event loop runs.
    void othersPasteWhatWeWrite() {
        DataControlPasteboard& pb = *m_clipboard;
        const QString text = QStringLiteral("Ünïcödé ✓ from Stashwick");
        const QByteArray html = "<b>Ünïcödé</b>";
        qint64 before = pb.changeCount();
        int notices = 0;
        const auto listener = pb.events()->onChange([&] { ++notices; });
        pb.writeItem({{plain, text.toUtf8()}, {Pasteboard::htmlType, html}});
        // Our write is one change, counted at once: the compositor's word of it, which comes
        // later, is a notice but no second change (a copy chord that starts in between waits
        // for the application's copy, not for ours).
        QCOMPARE(pb.changeCount(), before + 1);
        QVERIFY(waitFor([&] { return notices > 0; }));
        QVERIFY(m_connection->roundtrip());
        QCOMPARE(pb.changeCount(), before + 1);
        // Two writes, the second before the compositor's word of the first (a paste's restore
        // right after it): two changes. Neither word is another one, however many times the
        // compositor tells of each (KWin 5.27 tells twice, the second time with the types).
        before = pb.changeCount();
        notices = 0;
        pb.writeItem({{plain, QByteArrayLiteral("the slot")}});
        pb.writeItem({{plain, QByteArrayLiteral("put back")}});
        QCOMPARE(pb.changeCount(), before + 2);
        QVERIFY(waitFor([&] { return notices >= 2; }));
        QVERIFY(m_connection->roundtrip());
        QCOMPARE(pb.changeCount(), before + 2);
        QCOMPARE(pb.string(plain), QStringLiteral("put back"));
        pb.events()->removeListener(listener);
        pb.writeItem({{plain, text.toUtf8()}, {Pasteboard::htmlType, html}});
        // Read from memory: a pipe to ourselves would stall.
        QCOMPARE(pb.types().value_or(QStringList()), (QStringList{plain, Pasteboard::htmlType}));
        QCOMPARE(pb.string(plain), text);
        QVERIFY(!pb.isStalled());
        QCOMPARE(paste({"-n", "-t", "text/plain"}), text.toUtf8());
        QCOMPARE(paste({"-n", "-t", "text/plain;charset=utf-8"}), text.toUtf8());
        QCOMPARE(paste({"-n", "-t", "UTF8_STRING"}), text.toUtf8());
        QCOMPARE(paste({"-n", "-t", "STRING"}), text.toLatin1());
        QCOMPARE(paste({"-n", "-t", "text/html"}), html);
        const QByteArrayList listed = paste({"--list-types"}).split('\n');
        for (const char* type : {"text/plain", "text/plain;charset=utf-8", "UTF8_STRING", "TEXT",
                                 "STRING", "text/html"}) {
            QVERIFY2(listed.contains(type), type);
        }

        QByteArray big(25 * 1024 * 1024, Qt::Uninitialized);
        QRandomGenerator(20).fillRange(reinterpret_cast<quint32*>(big.data()),
                                       big.size() / qsizetype(sizeof(quint32)));
        before = pb.changeCount();
        pb.writeItem({{Pasteboard::pngType, big}});
        QVERIFY(waitFor([&] { return pb.changeCount() > before; }));

        const QString slowFile = m_dir.filePath(QStringLiteral("slow.png"));
        const QString fastFile = m_dir.filePath(QStringLiteral("fast.png"));
        QProcess slow;
        slow.start(QStringLiteral("sh"),
                   {"-c", "timeout 60 wl-paste -t image/png | \"$0\" slow-read \"$1\"",
                    QStringLiteral(DATACONTROL_PEER), slowFile});
        QProcess fast;
        fast.setStandardOutputFile(fastFile);
        fast.start(QStringLiteral("timeout"), {"60", "wl-paste", "-t", "image/png"});
        QProcess quitter;
        quitter.start(QStringLiteral("sh"),
                      {"-c", "timeout 60 wl-paste -t image/png | head -c 100000 >/dev/null"});
        bool fastDuringSlow = false;
        connect(&fast, &QProcess::finished, this,
                [&] { fastDuringSlow = slow.state() != QProcess::NotRunning; });
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
        ticker.start(20);
        QVERIFY(finishes(slow, 60000));
        ticker.stop();
        QVERIFY(finishes(fast, 60000));
        QVERIFY(finishes(quitter, 60000));
        // The slow reader takes about two seconds (hundreds of pieces, each after 5 ms): a
        // blocking write would have held the loop for all of it and let the timer fire once,
        // and pastes served one after the other would have kept the fast reader waiting.
        qInfo() << ticks << "ticks during the slow paste";
        QVERIFY2(ticks > 20, qPrintable(QString::number(ticks)));
        QVERIFY(fastDuringSlow);
        QVERIFY(readFile(slowFile) == big);
        QVERIFY(readFile(fastFile) == big);
        // Every transfer ended, the one whose reader quit included.
        QVERIFY(waitFor([&] { return m_device->runningTransfers() == 0; }));
        QVERIFY(pb.data(Pasteboard::pngType) == big);
    }

    // An owner that never writes costs one stall deadline: it is asked once, and every read
    // after that answers at once until the content changes. An owner that writes slowly, each
    // piece within the deadline, is read whole.
    void silentOwnerCostsOneTimeout() {
        DataControlPasteboard& pb = *m_clipboard;
        QProcess silent;
        silent.start(QStringLiteral(DATACONTROL_PEER), {QStringLiteral("silent")});
        qint64 before = pb.changeCount();
        QVERIFY(waitFor([&] { return pb.changeCount() > before; }));
        QCOMPARE(pb.types().value_or(QStringList()), QStringList{plain});
        QElapsedTimer waited;
        waited.start();
        QVERIFY(!pb.string(plain));
        qInfo() << "a silent owner cost" << waited.elapsed() << "ms";
        QVERIFY(pb.isStalled());
        QVERIFY(!pb.data(plain));
        QVERIFY(!pb.string(plain));
        QVERIFY(!pb.types());
        QVERIFY(!PasteboardCodec::read(pb, Instant()));
        // Our selection replaces it: whatever it was asked arrived before the cancellation.
        before = pb.changeCount();
        pb.writeItem({{plain, "after the silence"}});
        QVERIFY(finishes(silent));
        QCOMPARE(silent.readAllStandardOutput(), QByteArray("send text/plain\ncancelled\n"));
        QVERIFY(waitFor([&] { return pb.changeCount() > before; }));
        QVERIFY(!pb.isStalled());
        QCOMPARE(pb.string(plain), QStringLiteral("after the silence"));

        QProcess dribble;
        dribble.start(QStringLiteral(DATACONTROL_PEER), {QStringLiteral("dribble")});
        before = pb.changeCount();
        QVERIFY(waitFor([&] { return pb.changeCount() > before; }));
        QCOMPARE(pb.string(plain), QStringLiteral("piece 1\npiece 2\npiece 3\npiece 4\npiece 5\n"));
        QVERIFY(!pb.isStalled());
        pb.clearContents();
        QVERIFY(finishes(dribble));
    }

    // A type over the content limit (a small one here): the read stops once the bound is
    // passed and closes the pipe, nothing of it is kept, and the content is refused with the
    // size seen until it changes. The owner goes on serving everyone else in full.
    void contentOverTheLimitIsRefused() {
        constexpr qint64 limit = 1024 * 1024;
        DataControlPasteboard bounded(*m_device, DataControlDevice::Selection::Clipboard, nullptr,
                                      nullptr, limit);
        const QByteArray big(3 * limit, 'z');
        const qint64 before = bounded.changeCount();
        copy({"-t", "text/plain"}, big);
        QVERIFY(waitFor([&] { return bounded.changeCount() > before; }));
        const ClipboardRead read = PasteboardCodec::read(bounded, Instant());
        QVERIFY(!read);
        QVERIFY(read.tooLarge() && read.tooLarge()->atLeast);
        QVERIFY(read.tooLarge()->bytes > limit && read.tooLarge()->bytes < big.size());
        QCOMPARE(bounded.oversize(), read.tooLarge());
        QVERIFY(!bounded.string(plain));
        QVERIFY(!bounded.isStalled());
        QCOMPARE(paste({"-n", "-t", "text/plain"}), big);
        QCOMPARE(m_clipboard->data(plain), big);
        QVERIFY(!m_clipboard->oversize());

        bounded.writeItem({{plain, "small again"}});
        QVERIFY(waitFor([&] { return !bounded.oversize(); }));
        QCOMPARE(bounded.string(plain), QStringLiteral("small again"));
    }

    // The primary selection has its own pasteboard: what wl-copy --primary owns is seen there
    // only, and what we write there is pasted from it only.
    void primaryIsSeparate() {
        if (!m_primary->isAvailable()) {
            QSKIP("this compositor's data-control has no primary selection");
        }
        DataControlPasteboard& clipboard = *m_clipboard;
        DataControlPasteboard& primary = *m_primary;
        qint64 before = clipboard.changeCount();
        clipboard.writeItem({{plain, "the clipboard"}});
        QVERIFY(waitFor([&] { return clipboard.changeCount() > before; }));

        const qint64 clipboardCount = clipboard.changeCount();
        before = primary.changeCount();
        copy({"--primary", "-t", "text/plain"}, "sélection");
        QVERIFY(waitFor([&] { return primary.changeCount() > before; }));
        QCOMPARE(primary.string(plain), QStringLiteral("sélection"));
        QCOMPARE(clipboard.changeCount(), clipboardCount);
        QCOMPARE(clipboard.string(plain), QStringLiteral("the clipboard"));

        before = primary.changeCount();
        primary.writeItem({{plain, "selected by us"}});
        QVERIFY(waitFor([&] { return primary.changeCount() > before; }));
        QCOMPARE(paste({"--primary", "-n", "-t", "text/plain"}), QByteArray("selected by us"));
        QCOMPARE(paste({"-n", "-t", "text/plain"}), QByteArray("the clipboard"));
        QCOMPARE(clipboard.changeCount(), clipboardCount);
    }

    // Control+V in a field of ours while our item is the clipboard: Qt asks XWayland, which
    // asks our source while Qt waits without running the event loop.
    void ourWindowPastesOurItem() {
        DataControlPasteboard& pb = *m_clipboard;
        const auto field = focusedField();
        QVERIFY(field);
        const QString text = QStringLiteral("pasted into our own field ✓");
        const qint64 before = pb.changeCount();
        pb.writeItem({{plain, text.toUtf8()}});
        QVERIFY(waitFor([&] { return pb.changeCount() > before; }));
        QElapsedTimer waited;
        waited.start();
        int attempts = 0;
        QVERIFY(waitFor([&] {
            ++attempts;
            field->clear();
            QTest::keyClick(field.get(), Qt::Key_V, Qt::ControlModifier);
            return field->text() == text;
        }));
        qInfo() << "Control+V of our item in our field:" << attempts << "attempt(s) in"
                << waited.elapsed() << "ms";
        QCOMPARE(paste({"-n", "-t", "text/plain"}), text.toUtf8());
    }

    // Control+C in a field of ours: XWayland hands Qt's selection to the compositor, and our
    // own pasteboard reads it back while Qt is the owner; once for each copy.
    void ourWindowCopyIsRead() {
        const auto field = focusedField();
        QVERIFY(field);
        for (DataControlPasteboard* pb : {m_clipboard.get(), m_primary.get()}) {
            if (!pb->isAvailable()) {
                continue;
            }
            const bool primary = pb == m_primary.get();
            const QString text =
                primary ? QStringLiteral("sélection de Qt") : QStringLiteral("copié chez nous ✓");
            const qint64 before = pb->changeCount();
            if (primary) {
                QGuiApplication::clipboard()->setText(text, QClipboard::Selection);
            } else {
                field->setText(text);
                field->selectAll();
                QTest::keyClick(field.get(), Qt::Key_C, Qt::ControlModifier);
            }
            QVERIFY(waitFor([&] { return pb->changeCount() > before; }));
            QCOMPARE(pb->types().value_or(QStringList()), QStringList{plain});
            QCOMPARE(pb->string(plain), text);
            QVERIFY(!pb->isStalled());
            const auto item = PasteboardCodec::read(*pb, Instant());
            QVERIFY(item && item->kind == ClipboardKind::Text);
            QCOMPARE(item->text, text);
            // Our next selection, once the compositor has answered, is counted once more: the
            // copy was counted once.
            pb->writeItem({{plain, "next"}});
            QVERIFY(m_connection->roundtrip());
            QCOMPARE(pb->changeCount(), before + 2);
            QCOMPARE(pb->string(plain), QStringLiteral("next"));
        }
    }

    // Where the compositor offers both protocols (sway from 1.11), the older one works beside
    // the standard one: a device through it sees another program's copy, and what it writes
    // is pasted by others and read back through the standard one.
    void theOlderProtocolWorksBesideTheStandardOne() {
        if (&m_device->protocol() != &DataControlProtocol::ext() ||
            !m_connection->global("zwlr_data_control_manager_v1")) {
            QSKIP("this compositor does not offer both data-control protocols");
        }
        const auto connection = WaylandConnection::open();
        QVERIFY(connection);
        const auto device = DataControlDevice::create(*connection, DataControlProtocol::wlr());
        QVERIFY(device && device->hasPrimary());
        DataControlPasteboard older(*device);
        qint64 before = older.changeCount();
        copy({"-t", "text/plain"}, "copied by another program");
        QVERIFY(waitFor([&] { return older.changeCount() > before; }));
        QCOMPARE(older.string(plain), QStringLiteral("copied by another program"));

        before = m_clipboard->changeCount();
        older.writeItem({{plain, "written through the older protocol"}});
        QVERIFY(waitFor([&] { return m_clipboard->changeCount() > before; }));
        QCOMPARE(paste({"-n", "-t", "text/plain"}),
                 QByteArray("written through the older protocol"));
        QCOMPARE(m_clipboard->string(plain), QStringLiteral("written through the older protocol"));
    }
};

int main(int argc, char** argv) {
    // The program's windows run on XWayland.
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    WaylandPasteboardTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_waylandpasteboard.moc"
