// Slot store with 200 history entries of 4 MB PNG images and ten slots: the cost of the
// everyday operations and the process's peak memory.
#include "BenchUtil.h"
#include "core/SystemClock.h"
#include "store/SlotStore.h"
#include "store/StoreContainer.h"

#include <QBuffer>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace {

// A real PNG of noise (incompressible, so about 4 MB), and copies that differ in a few bytes.
QByteArray noisePng() {
    QImage img(1160, 1160, QImage::Format_RGB32);
    QRandomGenerator rng(42);
    for (int y = 0; y < img.height(); ++y) {
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

ClipboardItem imageItem(QByteArray png, int variant) {
    png[png.size() / 2] = static_cast<char>(variant);
    png[png.size() / 2 + 1] = static_cast<char>(variant >> 8);
    ClipboardItem item;
    item.kind = ClipboardKind::Image;
    item.imagePNG = Blob(std::move(png));
    return item;
}

} // namespace

int main() {
    QTemporaryDir dir;
    QString error;
    auto container = StoreContainer::make(false, dir.filePath("Store.sqlite"), &error);
    if (!container) {
        std::fprintf(stderr, "cannot open store: %s\n", qPrintable(error));
        return 1;
    }
    SystemClock clock;
    SlotStore slots(*container, clock);

    const QByteArray png = noisePng();
    BenchUtil::report("PNG size", static_cast<double>(png.size()) / (1024.0 * 1024.0), "MiB");
    for (int i = 0; i < 200; ++i) {
        slots.addHistory(imageItem(png, i));
    }
    for (int s = 0; s < 10; ++s) {
        slots.setItem(ClipboardItem::makeText(QStringLiteral("slot %1 foo").arg(s)), s);
        if (s % 2 == 0) {
            slots.togglePinned(s);
        }
    }
    BenchUtil::report("setup RSS", BenchUtil::rssMiB(), "MiB");

    int n = 0;
    BenchUtil::report(
        "addHistory(short text), median of 50",
        BenchUtil::medianMs(
            50,
            [&] { slots.addHistory(ClipboardItem::makeText(QStringLiteral("note %1").arg(n++))); }),
        "ms");
    // Keep the history all images again for the listing figures.
    for (int i = 0; i < 200; ++i) {
        slots.addHistory(imageItem(png, 1000 + i));
    }
    int listed = 0;
    BenchUtil::report(
        "recentHistoryEntries(200), median of 20",
        BenchUtil::medianMs(
            20, [&] { listed = static_cast<int>(slots.recentHistoryEntries(200).size()); }),
        "ms");
    BenchUtil::report("  entries listed", listed, "");
    BenchUtil::report(
        "searchHistory(\"imag\", 200), median of 20",
        BenchUtil::medianMs(
            20, [&] { listed = static_cast<int>(slots.searchHistory(" Imag ", 200).size()); }),
        "ms");
    BenchUtil::report("  entries found", listed, "");
    int v = 5000;
    BenchUtil::report("setItem(4 MB image), median of 20",
                      BenchUtil::medianMs(20, [&] { slots.setItem(imageItem(png, v++), 3); }),
                      "ms");
    BenchUtil::report("peak RSS (VmHWM)", BenchUtil::peakRssMiB(), "MiB");
    return 0;
}
