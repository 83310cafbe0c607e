#pragma once

#include "ClipboardAccess.h"
#include "HistorySink.h"
#include "core/Scheduler.h"
#include "core/WeakSelf.h"

#include <memory>
#include <optional>

// Builds the clipboard history: whenever the clipboard's change counter moved, reads the new
// content and adds it to the history. It learns of changes from the clipboard's change
// notices where the session reports them (each notice: one look, on the next turn of the
// loop, never inside whoever reported it), and otherwise by polling the counter. Content
// refused for its size is skipped with a log line naming its size; so is a change that can no
// longer be read. Never writes slots or the clipboard.
class ClipboardMonitor {
public:
    ClipboardMonitor(ClipboardAccess& clipboard, HistorySink& history, Scheduler& scheduler);
    ~ClipboardMonitor();
    ClipboardMonitor(const ClipboardMonitor&) = delete;
    ClipboardMonitor& operator=(const ClipboardMonitor&) = delete;

    // Starts following the change notices, or, where the clipboard reports none, polling
    // every `interval` seconds; a second call does nothing.
    void start(double interval);
    bool isRunning() const { return m_interval > 0; }
    // True while it follows change notices rather than polling.
    bool followsNotices() const { return m_listener != 0; }
    // One look: reads and records the content if the counter moved since the last look.
    void poll();
    // While held (by a copy chord, which reads the clipboard itself) changes wait: the look
    // comes once the last hold is released. `recorded`: the change counter at which the holder
    // read the clipboard and recorded its content, which is then not read again.
    void hold() { ++m_holds; }
    void release(std::optional<qint64> recorded);

private:
    void scheduleNext();
    void noticeChange();

    ClipboardAccess& m_clipboard;
    HistorySink& m_history;
    Scheduler& m_scheduler;
    qint64 m_lastChangeCount;
    double m_interval = 0;
    Scheduler::TaskId m_pending = 0;
    int m_holds = 0;
    bool m_heldChange = false;
    ClipboardEvents::ListenerId m_listener = 0;
    // Ticks hold this weakly: a tick after the monitor is gone does nothing.
    WeakSelf<ClipboardMonitor> m_self;
};
