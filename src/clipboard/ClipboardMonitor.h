#pragma once

#include "ClipboardAccess.h"
#include "HistorySink.h"
#include "core/Scheduler.h"

#include <memory>

// Builds the clipboard history: polls the clipboard's change counter and, when it moved,
// reads the new content and adds it to the history. Content refused for its size is skipped
// with a log line naming its size. Never writes slots or the clipboard.
class ClipboardMonitor {
public:
    ClipboardMonitor(ClipboardAccess& clipboard, HistorySink& history, Scheduler& scheduler);
    ~ClipboardMonitor();
    ClipboardMonitor(const ClipboardMonitor&) = delete;
    ClipboardMonitor& operator=(const ClipboardMonitor&) = delete;

    // Starts polling every `interval` seconds; a second call does nothing.
    void start(double interval);
    bool isRunning() const { return m_interval > 0; }
    // One tick.
    void poll();

private:
    void scheduleNext();

    ClipboardAccess& m_clipboard;
    HistorySink& m_history;
    Scheduler& m_scheduler;
    qint64 m_lastChangeCount;
    double m_interval = 0;
    Scheduler::TaskId m_pending = 0;
    // Ticks hold this weakly: a tick after the monitor is gone does nothing.
    std::shared_ptr<ClipboardMonitor*> m_self;
};
