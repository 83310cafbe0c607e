// The clipboard monitor on the real X11 CLIPBOARD (run under tests/x11/xvfb-run.sh): the cost
// of a poll tick without a change, and of reading and recording a text item and a 9 MB
// 3840 x 2160 PNG offered by xclip, with the process's memory before and after; then copy ->
// history latency, bursts, idle wake-ups and paste -> restore with xclip as the other
// programs, following the change notices and, for comparison, polling.
#include "BenchUtil.h"
#include "ClipboardEventsBench.h"
#include "clipboard/ClipboardMonitor.h"
#include "clipboard/SystemClipboard.h"
#include "core/QtScheduler.h"
#include "core/SystemClock.h"
#include "platform/glibc/MemoryTuning.h"
#include "platform/qt/QtPasteboard.h"
#include "platform/x11/X11NativeSelection.h"
#include "store/SlotStore.h"
#include "store/StoreContainer.h"

#include <QBuffer>
#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A screenshot-sized PNG of about 9 MB: noise over part of the picture, flat elsewhere.
QByteArray screenshotPng() {
    QImage img(3840, 2160, QImage::Format_RGB32);
    img.fill(qRgb(240, 240, 236));
    QRandomGenerator rng(7);
    for (int y = 0; y < img.height(); ++y) {
        if (y % 100 >= 37) {
            continue;
        }
        auto* line = reinterpret_cast<quint32*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            line[x] = rng.generate();
        }
    }
    QByteArray png;
    QBuffer buf(&png);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return png;
}

} // namespace

int main(int argc, char** argv) {
    MemoryTuning::returnLargeBlocksToTheSystem();
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    QString error;
    auto container = StoreContainer::make(false, dir.filePath("Store.sqlite"), &error);
    SystemClock clock;
    SlotStore slots(*container, clock);
    QtPasteboard pb(QGuiApplication::clipboard(), QClipboard::Clipboard,
                    X11NativeSelection::forQtDisplay(QClipboard::Clipboard));
    SystemClipboard clipboard(pb, clock);
    QtScheduler scheduler;
    ClipboardMonitor monitor(clipboard, slots, scheduler);

    BenchUtil::report("poll tick without a change, median of 10000 (us)",
                      1000.0 * BenchUtil::medianMs(10000, [&] { monitor.poll(); }), "us");

    auto offer = [&](const QString& type, const QByteArray& bytes) {
        const QString path = dir.filePath("offer");
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly)) {
            qFatal("cannot write %s", qPrintable(path));
        }
        f.write(bytes);
        f.close();
        auto* p = new QProcess(&app);
        const qint64 before = pb.changeCount();
        p->start("xclip", {"-quiet", "-selection", "clipboard", "-t", type, "-i", path});
        const QString expected = type == "UTF8_STRING" ? QStringLiteral("text/plain") : type;
        const bool arrived = QTest::qWaitFor(
            [&] {
                const auto types = pb.changeCount() != before ? pb.types() : std::nullopt;
                return types && types->contains(expected);
            },
            10000);
        if (!arrived) {
            std::fprintf(stderr, "the offer did not arrive\n");
        }
        return p;
    };
    auto record = [&](const QString& name) {
        const int before = slots.revision();
        QElapsedTimer t;
        t.start();
        monitor.poll();
        const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
        BenchUtil::report(name, ms, slots.revision() > before ? "ms" : "ms (NOT RECORDED)");
    };

    QProcess* text = offer("UTF8_STRING", "a short text copied from somewhere");
    record("read + record a text item");
    text->kill();

    QByteArray png = screenshotPng();
    BenchUtil::report("PNG size", static_cast<double>(png.size()) / (1024.0 * 1024.0), "MiB");
    QProcess* image = offer("image/png", png);
    png.clear();
    png.squeeze();
    const double rssBefore = BenchUtil::rssMiB();
    record("read + record a 3840x2160 PNG item");
    const double rssAfter = BenchUtil::rssMiB();
    BenchUtil::report("RSS before the image was read", rssBefore, "MiB");
    BenchUtil::report("RSS once the image is stored", rssAfter, "MiB");
    BenchUtil::report("  difference", rssAfter - rssBefore, "MiB");
    image->kill();
    image->waitForFinished();

    const ClipboardEventsBench::Peer peer{
        QStringLiteral("sh"),
        {QStringLiteral("-c"),
         QStringLiteral("printf %s \"$0\" | exec xclip -quiet -selection clipboard -i")},
        QStringLiteral("xclip"),
        {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")}};
    ClipboardEventsBench::run(clipboard, peer, false);
    ClipboardEventsBench::run(clipboard, peer, true);
    return 0;
}
