#pragma once

#include "DataControlFd.h"
#include "DataControlProtocol.h"
#include "clipboard/Pasteboard.h"

#include <QList>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class DataControlSource;
class DataControlTransfer;
struct wl_display;
struct wl_event_queue;
struct wl_proxy;

// Our own selections and the pastes of them, served on a thread of its own: a paste never
// waits for the main thread, which may itself be waiting for that very paste (Qt's X11
// clipboard asks XWayland, which asks our source, without running the event loop).
//
// The sources' proxies live on a Wayland event queue of their own. The thread reads the
// connection when it has something to read (the main thread reads it too, for the default
// queue: each prepares and then reads at once, so neither waits on the other for long) and
// dispatches that queue; each paste is written from the bytes the source was given, through
// a non-blocking pipe with a no-progress limit (DataControlTransfer). The sources and the
// queue's dispatch are guarded by one mutex, so the main thread may dispatch the queue too
// (`settle`): after it read events of ours, and to learn at once of cancellations already
// read. The pastes being written belong to the thread alone. It must go before the manager
// and the connection.
class DataControlServer {
public:
    using SourceId = quint64;

    // Starts the thread on a new queue of `display` for sources of `manager`, a manager of
    // `protocol`. `wakeMain` is
    // called on the thread after it read from the connection: events for the main thread's
    // queue may be among them, and the main thread must then dispatch them. `served` is
    // called, on either thread, as a paste of a source starts (false) and once it is over
    // (true). Null (and a log line) when the queue or the thread cannot be had.
    static std::unique_ptr<DataControlServer>
    start(const DataControlProtocol& protocol, wl_display* display, wl_proxy* manager,
          std::function<void()> wakeMain,
          std::function<void(SourceId source, bool finished)> served = {});
    // Stops and joins the thread; our sources go, pastes still running end.
    ~DataControlServer();
    DataControlServer(const DataControlServer&) = delete;
    DataControlServer& operator=(const DataControlServer&) = delete;

    // A new source offering `offered` (bytes copied by value); `select` gets its proxy once,
    // before any of its events can run, to make it a selection. Its id; 0 when no source could
    // be made.
    SourceId publish(QList<Pasteboard::Flavour> offered,
                     const std::function<void(wl_proxy*)>& select);
    // Whether that source still holds its selection (it was not cancelled).
    bool isLive(SourceId id) const;
    // Runs the events of our sources already read from the connection, on the calling thread.
    // The main thread calls it before its event loop sleeps (its own reads may have taken
    // events of ours off the connection, which the thread then never sees arrive) and on a
    // selection event (the compositor sent the `cancelled` of the source it replaces before).
    void settle();
    int runningTransfers() const;

private:
    struct Paste {
        SourceId source;
        std::unique_ptr<DataControlTransfer> transfer;
    };

    DataControlServer(const DataControlProtocol& protocol, wl_display* display,
                      wl_event_queue* queue, wl_proxy* manager, DataControlFd wake,
                      std::function<void()> wakeMain, std::function<void(SourceId, bool)> served);
    void run();
    // Reads the connection; false once it is gone.
    bool readEvents();
    void wake();
    // With m_mutex held: dispatch our queue and drop cancelled sources (the number of events
    // run; -1 once the connection is gone).
    int dispatchLocked();
    // On the thread, without the mutex: write every running paste and drop those that are
    // over.
    void writeTransfers();

    const DataControlProtocol& m_protocol;
    wl_display* m_display;
    wl_event_queue* m_queue;
    // A wrapper of the manager on m_queue: the sources made through it are on m_queue too.
    wl_proxy* m_manager;
    DataControlFd m_wake; // an eventfd that interrupts the thread's poll
    std::function<void()> m_wakeMain;
    std::function<void(SourceId, bool)> m_served;

    mutable std::mutex m_mutex;
    bool m_stopping = false;
    SourceId m_lastId = 0;
    std::map<SourceId, std::unique_ptr<DataControlSource>> m_sources;
    // Pastes asked for and not yet taken over by the thread.
    std::vector<Paste> m_asked;

    // The thread's own: the pastes it writes.
    std::vector<Paste> m_transfers;
    std::atomic_int m_running = 0;
    std::thread m_thread;
};
