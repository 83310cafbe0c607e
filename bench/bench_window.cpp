// The main window with a heavy store, on a real X display (run under tests/x11/xvfb-run.sh):
// ten image slots and 200 history entries, all 3840 x 2160 PNG screenshots. Prints the time
// from a summon to the window's first paint, from the History tab's selection to its paint
// (and the Stats tab's over a million events),
// the longest stall of the main thread while the history's thumbnails load and while it
// scrolls to the end, a search keystroke to the repainted list, and resident memory.
#include "BenchUtil.h"
#include "app/AppState.h"
#include "core/SystemClock.h"
#include "core/UserDefaults.h"
#include "platform/glibc/MemoryTuning.h"
#include "platform/qt/QtPasteboard.h"
#include "platform/x11/X11NativeSelection.h"
#include "platform/xdg/XdgDesktopServices.h"
#include "ui/AsyncThumbnails.h"
#include "ui/Theme.h"
#include "window/MainWindow.h"
#include "window/RootView.h"
#include "window/history/HistoryView.h"
#include "window/history/SearchField.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

namespace {

// A screenshot-like picture: a gradient desktop with windows and text, one per variant.
QByteArray screenshot(int variant) {
    QImage image(3840, 2160, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, 3840, 2160);
    g.setColorAt(0, QColor::fromHsv((variant * 37) % 360, 120, 200));
    g.setColorAt(1, QColor::fromHsv((variant * 37 + 120) % 360, 160, 90));
    p.fillRect(image.rect(), g);
    for (int w = 0; w < 6; ++w) {
        const QRect r(200 + w * 520, 180 + (w * 233 + variant * 41) % 900, 1400, 1000);
        p.fillRect(r, QColor(250, 250, 248));
        p.fillRect(r.adjusted(0, 0, 0, -960), QColor(60, 60, 70));
        p.setPen(QColor(30, 30, 30));
        QFont f;
        f.setPixelSize(26);
        p.setFont(f);
        for (int line = 0; line < 26; ++line) {
            p.drawText(r.left() + 30, r.top() + 90 + line * 34,
                       QStringLiteral("Window %1, line %2 of a document %3")
                           .arg(w)
                           .arg(line)
                           .arg(variant));
        }
    }
    p.end();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

// Longest gap between ticks of a 1 ms timer while `work` runs the event loop.
class StallMeter : public QObject {
public:
    double measure(const std::function<bool()>& step) {
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0;
        double worst = 0;
        QTimer tick;
        tick.setInterval(1);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            worst = std::max(worst, (now - last) / 1e6);
            last = now;
        });
        last = clock.nsecsElapsed();
        tick.start();
        while (step()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        tick.stop();
        return worst;
    }
};

// Runs the event loop until `widget` or a widget inside it has painted once after now;
// returns the milliseconds.
double untilPainted(QWidget* widget, QElapsedTimer& since) {
    struct Watch : QObject {
        QWidget* root = nullptr;
        bool painted = false;
        bool eventFilter(QObject* o, QEvent* e) override {
            if (e->type() == QEvent::Paint && o->isWidgetType()) {
                auto* w = static_cast<QWidget*>(o);
                painted = painted || w == root || root->isAncestorOf(w);
            }
            return false;
        }
    } watch;
    watch.root = widget;
    qApp->installEventFilter(&watch);
    while (!watch.painted) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    qApp->removeEventFilter(&watch);
    return since.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    MemoryTuning::returnLargeBlocksToTheSystem();
    QApplication app(argc, argv);
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.filePath("data").toLocal8Bit());
    SystemClock clock;
    QtPasteboard pasteboard(QGuiApplication::clipboard(), QClipboard::Clipboard,
                            X11NativeSelection::forQtDisplay(QClipboard::Clipboard));
    {
        auto container = StoreContainer::make(false, home.filePath("Store.sqlite"), nullptr);
        SlotStore slots(*container, clock);
        std::printf("writing 10 slots and 200 history entries of 3840 x 2160 screenshots...\n");
        std::fflush(stdout);
        QList<QByteArray> pictures;
        for (int v = 0; v < 10; ++v) {
            pictures << screenshot(v);
        }
        std::printf("PNG size %.1f MB\n", pictures[0].size() / 1e6);
        for (int i = 0; i < 200; ++i) {
            ClipboardItem item;
            item.kind = ClipboardKind::Image;
            item.imagePNG = Blob(pictures[i % 10]);
            item.createdAt = clock.now();
            slots.addHistory(item);
            if (i < 10) {
                slots.setItem(item, i);
            }
        }
        // A million copy and paste events for the Stats tab.
        BenchUtil::insertEvents(container->db(), 1000000);
    }
    const double before = BenchUtil::rssMiB();
    AppState state(StoreContainer::make(false, home.filePath("Store.sqlite"), nullptr), pasteboard,
                   clock, false);
    UserDefaults defaults(home.filePath("settings.ini"));
    Theme theme(defaults, &Theme::desktopPaletteIsDark);
    AsyncThumbnails thumbnails;
    XdgDesktopServices desktop(QStringLiteral("/usr/bin/stashwick"), nullptr);

    QElapsedTimer t;
    t.start();
    MainWindow window(WindowContext{state, theme, defaults, thumbnails, desktop});
    window.present();
    BenchUtil::report("summon to the window's first paint", untilPainted(window.root(), t), "ms");
    const double slotStall = StallMeter().measure([&] {
        thumbnails.waitForIdle(); // not timed: the slot pictures are made off the thread
        return false;
    });
    (void)slotStall;

    t.restart();
    state.setMainTab(MainTab::History);
    auto* history = qobject_cast<HistoryView*>(window.root()->tabView());
    BenchUtil::report("History tab selected to painted", untilPainted(history, t), "ms");

    // While the thumbnails of the visible rows load, and while scrolling to the end.
    QElapsedTimer loading;
    loading.start();
    const double loadStall = StallMeter().measure([&] { return loading.elapsed() < 3000; });
    BenchUtil::report("longest main-thread stall while thumbnails load", loadStall, "ms");
    auto* scroll = history->findChild<QScrollArea*>();
    QScrollBar* bar = scroll->verticalScrollBar();
    const double scrollStall = StallMeter().measure([&] {
        if (bar->value() >= bar->maximum()) {
            return false;
        }
        bar->setValue(bar->value() + 120);
        return true;
    });
    BenchUtil::report("longest main-thread stall while scrolling to the end", scrollStall, "ms");
    std::printf("thumbnails decoded off the main thread: %d\n", thumbnails.decodeCount());

    QLineEdit* edit = history->search()->edit();
    std::vector<double> keys;
    for (const char* q : {"i", "im", "ima", "imag", "image", ""}) {
        QElapsedTimer k;
        k.start();
        edit->setText(QString::fromLatin1(q));
        window.repaint();
        keys.push_back(k.nsecsElapsed() / 1e6);
    }
    std::sort(keys.begin(), keys.end());
    BenchUtil::report("search keystroke to repainted list, median", keys[keys.size() / 2], "ms");
    const double settle = StallMeter().measure([&, n = 0]() mutable {
        edit->setText(++n % 2 ? QStringLiteral("zz") : QString());
        return n < 6;
    });
    BenchUtil::report("  longest stall while the rest of the list follows", settle, "ms");
    thumbnails.waitForIdle();
    BenchUtil::report("resident memory after both tabs", BenchUtil::rssMiB(), "MiB");
    BenchUtil::report("  of which since opening the store", BenchUtil::rssMiB() - before, "MiB");
    t.restart();
    state.setMainTab(MainTab::Stats);
    BenchUtil::report("Stats tab (1,000,000 events) selected to painted",
                      untilPainted(window.root()->tabView(), t), "ms");
    return 0;
}
