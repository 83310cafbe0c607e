#include "ClipboardEventsBench.h"

#include "BenchUtil.h"
#include "app/ServiceSlotClipboard.h"
#include "clipboard/ClipboardMonitor.h"
#include "clipboard/HistorySink.h"
#include "core/QtScheduler.h"
#include "core/SystemClock.h"
#include "hotkeys/HotkeyCoordinator.h"
#include "store/ClipboardService.h"
#include "store/SlotStore.h"
#include "store/StatsService.h"
#include "store/StoreContainer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <vector>

namespace {

// The clipboard as the program sees it, or with its notices hidden (a clipboard that must be
// polled); every write timed.
class BenchClipboard final : public ClipboardAccess {
public:
    BenchClipboard(ClipboardAccess& inner, bool polling) : m_inner(inner), m_polling(polling) {}
    qint64 changeCount() const override { return m_inner.changeCount(); }
    ClipboardRead read() override { return m_inner.read(); }
    void write(const ClipboardItem& item) override {
        m_inner.write(item);
        writes.push_back(timer.nsecsElapsed());
    }
    bool isConcealed() override { return m_inner.isConcealed(); }
    ClipboardEvents* events() override { return m_polling ? nullptr : m_inner.events(); }

    QElapsedTimer timer;
    std::vector<qint64> writes;

private:
    ClipboardAccess& m_inner;
    bool m_polling;
};

// The history, each text recorded with when it arrived.
class TimedHistory final : public HistorySink {
public:
    explicit TimedHistory(SlotStore& slots) : m_slots(slots) {}
    void addHistory(ClipboardItem item) override {
        texts << item.text.value_or(QString());
        times.push_back(timer.nsecsElapsed());
        m_slots.addHistory(std::move(item));
    }
    QElapsedTimer timer;
    QStringList texts;
    std::vector<qint64> times;

private:
    SlotStore& m_slots;
};

// Presses nothing: the paste keystroke starts the reader, which reads at once.
class ReaderKeys final : public KeystrokeSynthesizing {
public:
    explicit ReaderKeys(const ClipboardEventsBench::Peer& peer) : m_peer(peer) {}
    void sendCopy() override {}
    void sendPaste() override {
        reader = std::make_unique<QProcess>();
        reader->start(m_peer.reader, m_peer.readerArgs);
    }
    std::unique_ptr<QProcess> reader;

private:
    const ClipboardEventsBench::Peer& m_peer;
};

double median(std::vector<double> v) {
    if (v.empty()) {
        return -1;
    }
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

long voluntarySwitches() {
    QFile f(QStringLiteral("/proc/thread-self/status"));
    if (!f.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith("voluntary_ctxt_switches:")) {
            return line.mid(24).trimmed().toLong();
        }
    }
    return -1;
}

} // namespace

void ClipboardEventsBench::run(ClipboardAccess& system, const Peer& peer, bool polling) {
    const QString mode = polling ? QStringLiteral("polling 0.6 s") : QStringLiteral("notices");
    QTemporaryDir dir;
    QString error;
    auto container = StoreContainer::make(false, dir.filePath("Store.sqlite"), &error);
    SystemClock clock;
    SlotStore slots(*container, clock);
    StatsService stats(*container, clock);
    QtScheduler scheduler;
    BenchClipboard clipboard(system, polling);
    clipboard.timer.start();
    TimedHistory history(slots);
    history.timer = clipboard.timer;
    ClipboardMonitor monitor(clipboard, history, scheduler);
    monitor.start(0.6);

    std::vector<std::unique_ptr<QProcess>> copiers;
    auto copy = [&](const QString& text) {
        auto p = std::make_unique<QProcess>();
        p->setStandardOutputFile(QProcess::nullDevice());
        p->setStandardErrorFile(QProcess::nullDevice());
        p->start(peer.copier, peer.copierArgs + QStringList{text});
        copiers.push_back(std::move(p));
    };
    auto recorded = [&](const QString& text) { return history.texts.contains(text); };
    auto reap = [&] {
        for (auto& p : copiers) {
            p->kill();
            p->waitForFinished(2000);
        }
        copiers.clear();
    };

    // Copy -> history, 20 copies at random phases.
    std::vector<double> latencies;
    int missed = 0;
    for (int i = 0; i < 20; ++i) {
        QTest::qWait(200 + QRandomGenerator::global()->bounded(600));
        const QString text = QStringLiteral("latency %1 %2").arg(mode).arg(i);
        const qint64 start = clipboard.timer.nsecsElapsed();
        copy(text);
        if (!QTest::qWaitFor([&] { return recorded(text); }, 3000)) {
            ++missed;
            continue;
        }
        const auto at = history.texts.indexOf(text);
        latencies.push_back(static_cast<double>(history.times[at] - start) / 1e6);
    }
    const QString tag = QStringLiteral(" [%1]").arg(mode);
    BenchUtil::report("copy -> history, median of 20" + tag, median(latencies), "ms");
    BenchUtil::report(
        "copy -> history, worst of 20" + tag,
        latencies.empty() ? -1 : *std::max_element(latencies.begin(), latencies.end()),
        missed ? QStringLiteral("ms (%1 NOT RECORDED)").arg(missed) : QStringLiteral("ms"));
    reap();

    // Bursts of five copies.
    for (const int gapMs : {120, 30}) {
        QTest::qWait(800);
        QStringList burst;
        for (int i = 0; i < 5; ++i) {
            burst << QStringLiteral("burst %1 ms %2 #%3").arg(gapMs).arg(mode).arg(i);
        }
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < 5; ++i) {
            while (t.elapsed() < i * gapMs) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
                QThread::usleep(500);
            }
            copy(burst[i]);
        }
        QTest::qWait(1500);
        int inOrder = 0;
        qsizetype last = -1;
        for (const QString& text : burst) {
            const auto at = history.texts.indexOf(text);
            if (at > last) {
                ++inOrder;
                last = at;
            }
        }
        BenchUtil::report(QStringLiteral("burst of 5 copies %1 ms apart: recorded in order%2")
                              .arg(gapMs)
                              .arg(tag),
                          inOrder, "of 5");
        reap();
    }

    // Wake-ups of the main thread while nothing happens.
    QTest::qWait(1000);
    const long before = voluntarySwitches();
    QElapsedTimer idle;
    idle.start();
    {
        // An event loop that sleeps until its end (QTest::qWait would wake it every 10 ms).
        QEventLoop loop;
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    const long after = voluntarySwitches();
    BenchUtil::report("idle wake-ups of the main thread per minute" + tag,
                      static_cast<double>(after - before) * 60000.0 /
                          static_cast<double>(idle.elapsed()),
                      "/min");

    // Paste -> the user's clipboard back, for a reader that reads at once.
    ClipboardService service(clipboard, slots, stats);
    ServiceSlotClipboard slotClipboard(service);
    ReaderKeys keys(peer);
    HotkeyCoordinator coordinator(clipboard, slotClipboard, keys, scheduler);
    slots.setItem(ClipboardItem::makeText(QStringLiteral("the slot's text")), 1);
    std::vector<double> restores;
    int wrongReads = 0;
    for (int i = 0; i < 7; ++i) {
        const QString user = QStringLiteral("the user's text %1").arg(i);
        copy(user);
        (void)QTest::qWaitFor([&] { return recorded(user); }, 3000);
        QTest::qWait(300);
        clipboard.writes.clear();
        const qint64 start = clipboard.timer.nsecsElapsed();
        coordinator.paste(1);
        (void)QTest::qWaitFor([&] { return clipboard.writes.size() >= 2; }, 5000);
        if (clipboard.writes.size() >= 2) {
            restores.push_back(static_cast<double>(clipboard.writes[1] - start) / 1e6);
        }
        if (keys.reader) {
            keys.reader->waitForFinished(3000);
            if (!keys.reader->readAllStandardOutput().startsWith("the slot's text")) {
                ++wrongReads;
            }
        }
        reap();
    }
    BenchUtil::report("paste -> user's clipboard back, reader at once, median of 7" + tag,
                      median(restores),
                      wrongReads ? QStringLiteral("ms (%1 READ THE WRONG TEXT)").arg(wrongReads)
                                 : QStringLiteral("ms"));
}
