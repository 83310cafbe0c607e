// A 200 MB text on the clipboard, in process: the capture into a slot (slot, history and
// statistics) and the state dump that follows, with their wall time and the peak resident
// memory each one reaches (the peak is reset before each step), over a store file on disk.
#include "BenchUtil.h"
#include "app/AppState.h"
#include "app/AutomationBridge.h"
#include "clipboard/MemoryPasteboard.h"
#include "core/SystemClock.h"
#include "core/UserDefaults.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <initializer_list>

namespace {

// Lets VmHWM start again from the current resident size.
void resetPeak() {
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly)) {
        f.write("5");
    }
}

// Lines of printable ASCII, `size` bytes in all.
QByteArray bigText(qsizetype size) {
    QByteArray text(size, 'x');
    for (qsizetype i = 0; i < size; ++i) {
        text[i] = i % 80 == 79 ? '\n' : static_cast<char>('a' + (i * 7) % 26);
    }
    return text;
}

double timedMs(const std::function<void()>& work) {
    QElapsedTimer t;
    t.start();
    work();
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.filePath("data").toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toLocal8Bit());
    constexpr qsizetype textSize = 200 * 1024 * 1024;

    SystemClock clock;
    MemoryPasteboard pasteboard;
    UserDefaults defaults(home.filePath("settings.ini"));
    AppState state(StoreContainer::make(false, home.filePath("Store.sqlite"), nullptr), pasteboard,
                   clock, true);
    const QString stateFile = home.filePath("state.json");
    AutomationBridge bridge(state, defaults, stateFile);

    pasteboard.setContent({{QStringLiteral("text/plain"), bigText(textSize)}});
    std::printf("-- a %lld MB text on the clipboard\n",
                static_cast<long long>(textSize / (1024 * 1024)));
    BenchUtil::report("resident memory before the capture", BenchUtil::rssMiB(), "MiB");

    resetPeak();
    const double captureMs = timedMs([&] { state.service().captureClipboardToSlot(3); });
    BenchUtil::report("capture into slot 3 (slot, history, statistics)", captureMs, "ms");
    BenchUtil::report("  peak resident memory", BenchUtil::peakRssMiB(), "MiB");

    resetPeak();
    const double before = BenchUtil::rssMiB();
    const double dumpMs = timedMs([&] { bridge.dumpState(); });
    BenchUtil::report("state dump (slot and history hold the text)", dumpMs, "ms");
    BenchUtil::report("  peak resident memory", BenchUtil::peakRssMiB(), "MiB");
    BenchUtil::report("  peak above the memory before the dump", BenchUtil::peakRssMiB() - before,
                      "MiB");
    BenchUtil::report("  state.json", static_cast<double>(QFileInfo(stateFile).size()) / 1024.0,
                      "KiB");

    // What the dump reads from the store, one call at a time, and the full reads it replaced.
    std::printf("-- the store reads behind the dump\n");
    for (const auto& [name, read] :
         std::initializer_list<std::pair<QString, std::function<void()>>>{
             {QStringLiteral("the ten slots as summaries (slotSummaries, as the dump reads)"),
              [&] { state.slots().slotSummaries(10000); }},
             {QStringLiteral("20 history summaries (as the dump reads)"),
              [&] { state.slots().recentHistorySummaries(20, 10000); }},
             {QStringLiteral("the 10 most copied contents"), [&] { state.stats().topCopied(10); }},
             {QStringLiteral("for comparison: the ten slots decoded (allItems)"),
              [&] { state.slots().allItems(); }},
             {QStringLiteral("for comparison: 20 history entries decoded"),
              [&] { state.slots().recentHistoryEntries(20); }}}) {
        resetPeak();
        const double at = BenchUtil::rssMiB();
        BenchUtil::report(name, timedMs(read), "ms");
        BenchUtil::report("  peak above the memory before", BenchUtil::peakRssMiB() - at, "MiB");
    }

    // The same text copied again: the history finds the repeat, the statistics count it.
    std::printf("-- the same text captured again\n");
    resetPeak();
    const double againMs = timedMs([&] { state.service().captureClipboardToSlot(4); });
    BenchUtil::report("capture of the same text into slot 4", againMs, "ms");
    BenchUtil::report("  peak resident memory", BenchUtil::peakRssMiB(), "MiB");
    return 0;
}
