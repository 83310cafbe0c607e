#include "ClipboardMonitor.h"

#include "ContentLimit.h"
#include "core/Log.h"

#include <utility>

ClipboardMonitor::ClipboardMonitor(ClipboardAccess& clipboard, HistorySink& history,
                                   Scheduler& scheduler)
    : m_clipboard(clipboard), m_history(history), m_scheduler(scheduler),
      m_lastChangeCount(clipboard.changeCount()), m_self(this) {}

ClipboardMonitor::~ClipboardMonitor() {
    if (m_pending) {
        m_scheduler.cancel(m_pending);
    }
    if (m_listener) {
        if (ClipboardEvents* events = m_clipboard.events()) {
            events->removeListener(m_listener);
        }
    }
}

void ClipboardMonitor::start(double interval) {
    if (isRunning() || !(interval > 0)) {
        return;
    }
    m_interval = interval;
    if (ClipboardEvents* events = m_clipboard.events()) {
        const auto weak = m_self.handle();
        m_listener = events->onChange([weak] {
            if (auto self = weak.get()) {
                self->noticeChange();
            }
        });
        qCInfo(Log::app) << "the history follows the clipboard's change notices";
        return;
    }
    qCInfo(Log::app).noquote()
        << QStringLiteral("the clipboard reports no changes: the history looks at it every "
                          "%1 s")
               .arg(interval);
    scheduleNext();
}

void ClipboardMonitor::noticeChange() {
    if (m_pending) {
        return; // a look is already on its way; it sees this change too
    }
    const auto weak = m_self.handle();
    m_pending = m_scheduler.schedule(0, [weak] {
        if (auto self = weak.get()) {
            self->m_pending = 0;
            self->poll();
        }
    });
}

void ClipboardMonitor::scheduleNext() {
    const auto weak = m_self.handle();
    m_pending = m_scheduler.schedule(m_interval, [weak] {
        if (auto self = weak.get()) {
            self->m_pending = 0;
            self->poll();
            self->scheduleNext();
        }
    });
}

void ClipboardMonitor::release(std::optional<qint64> recorded) {
    if (m_holds == 0) {
        return;
    }
    if (recorded && *recorded != m_lastChangeCount) {
        m_lastChangeCount = *recorded; // looked at by the holder
    }
    // A change that came meanwhile is looked at on the next turn of the loop (or tick).
    if (--m_holds == 0 && std::exchange(m_heldChange, false) && followsNotices() &&
        m_clipboard.changeCount() != m_lastChangeCount) {
        noticeChange();
    }
}

void ClipboardMonitor::poll() {
    const qint64 count = m_clipboard.changeCount();
    if (count == m_lastChangeCount) {
        return;
    }
    if (m_holds > 0) {
        m_heldChange = true; // looked at once the holder is done
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
    if (!read) {
        qCInfo(Log::app) << "a clipboard change could not be read (emptied, or its owner no "
                            "longer serves it): nothing added to the history";
        return;
    }
    if (read->kind == ClipboardKind::Empty) {
        return;
    }
    m_history.addHistory(*std::move(read).item());
}
