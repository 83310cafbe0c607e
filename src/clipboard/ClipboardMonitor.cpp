#include "ClipboardMonitor.h"

#include "ContentLimit.h"
#include "core/Log.h"

ClipboardMonitor::ClipboardMonitor(ClipboardAccess& clipboard, HistorySink& history,
                                   Scheduler& scheduler)
    : m_clipboard(clipboard), m_history(history), m_scheduler(scheduler),
      m_lastChangeCount(clipboard.changeCount()),
      m_self(std::make_shared<ClipboardMonitor*>(this)) {}

ClipboardMonitor::~ClipboardMonitor() {
    if (m_pending) {
        m_scheduler.cancel(m_pending);
    }
}

void ClipboardMonitor::start(double interval) {
    if (isRunning() || !(interval > 0)) {
        return;
    }
    m_interval = interval;
    scheduleNext();
}

void ClipboardMonitor::scheduleNext() {
    std::weak_ptr<ClipboardMonitor*> weak = m_self;
    m_pending = m_scheduler.schedule(m_interval, [weak] {
        if (auto self = weak.lock()) {
            (*self)->m_pending = 0;
            (*self)->poll();
            (*self)->scheduleNext();
        }
    });
}

void ClipboardMonitor::poll() {
    const qint64 count = m_clipboard.changeCount();
    if (count == m_lastChangeCount) {
        return;
    }
    m_lastChangeCount = count; // a change is looked at once, even if it is skipped
    if (m_clipboard.isConcealed()) {
        return;
    }
    ClipboardRead read = m_clipboard.read();
    if (const auto& size = read.tooLarge()) {
        qCWarning(Log::app).noquote()
            << QStringLiteral("clipboard content of %1 not added to the history: too large "
                              "(at most %2)")
                   .arg(size->describe(), ContentLimit::describe(ContentLimit::maxBytes));
        return;
    }
    if (!read || read->kind == ClipboardKind::Empty) {
        return;
    }
    m_history.addHistory(*std::move(read).item());
}
