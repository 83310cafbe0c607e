#include "DataControlServer.h"

#include "DataControlSource.h"
#include "DataControlTransfer.h"
#include "core/Log.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <poll.h>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

#include <wayland-client.h>

namespace {
QString lastError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}
} // namespace

std::unique_ptr<DataControlServer>
DataControlServer::start(const DataControlProtocol& protocol, wl_display* display,
                         wl_proxy* manager, std::function<void()> wakeMain,
                         std::function<void(SourceId, bool)> served) {
    DataControlFd wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!wake.isValid()) {
        qCWarning(Log::app).noquote()
            << QStringLiteral("no eventfd for serving the clipboard: %1").arg(lastError());
        return nullptr;
    }
    wl_event_queue* queue = wl_display_create_queue(display);
    auto* wrapper = static_cast<wl_proxy*>(wl_proxy_create_wrapper(manager));
    if (!queue || !wrapper) {
        if (wrapper) {
            wl_proxy_wrapper_destroy(wrapper);
        }
        if (queue) {
            wl_event_queue_destroy(queue);
        }
        qCWarning(Log::app) << "no Wayland event queue for serving the clipboard";
        return nullptr;
    }
    wl_proxy_set_queue(wrapper, queue);
    std::unique_ptr<DataControlServer> server(new DataControlServer(
        protocol, display, queue, wrapper, std::move(wake), std::move(wakeMain),
        served ? std::move(served) : [](SourceId, bool) {}));
    try {
        server->m_thread = std::thread([s = server.get()] { s->run(); });
    } catch (const std::system_error& e) {
        qCWarning(Log::app).noquote()
            << QStringLiteral("no thread for serving the clipboard: %1").arg(e.what());
        return nullptr;
    }
    return server;
}

DataControlServer::DataControlServer(const DataControlProtocol& protocol, wl_display* display,
                                     wl_event_queue* queue, wl_proxy* manager, DataControlFd wake,
                                     std::function<void()> wakeMain,
                                     std::function<void(SourceId, bool)> served)
    : m_protocol(protocol), m_display(display), m_queue(queue), m_manager(manager),
      m_wake(std::move(wake)), m_wakeMain(std::move(wakeMain)), m_served(std::move(served)) {}

DataControlServer::~DataControlServer() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    wake();
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_transfers.clear();
    m_asked.clear();
    m_sources.clear();
    wl_proxy_wrapper_destroy(m_manager);
    wl_event_queue_destroy(m_queue);
}

void DataControlServer::wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_wake.get(), &one, sizeof one);
}

DataControlServer::SourceId
DataControlServer::publish(QList<Pasteboard::Flavour> offered,
                           const std::function<void(wl_proxy*)>& select) {
    const std::lock_guard lock(m_mutex);
    wl_proxy* proxy = m_protocol.createDataSource(m_manager);
    if (!proxy) {
        return 0;
    }
    const SourceId id = ++m_lastId;
    // Runs under m_mutex, on whichever thread dispatches the queue.
    auto serve = [this, id](DataControlFd fd, const QByteArray& bytes) {
        m_asked.push_back(Paste{id, std::make_unique<DataControlTransfer>(std::move(fd), bytes)});
        ++m_running;
        m_served(id, false);
    };
    auto source = std::make_unique<DataControlSource>(m_protocol, proxy, std::move(offered), serve);
    select(source->proxy());
    m_sources.emplace(id, std::move(source));
    return id;
}

bool DataControlServer::isLive(SourceId id) const {
    const std::lock_guard lock(m_mutex);
    const auto it = m_sources.find(id);
    return it != m_sources.end() && !it->second->isCancelled();
}

void DataControlServer::settle() {
    int dispatched = 0;
    {
        const std::lock_guard lock(m_mutex);
        dispatched = dispatchLocked();
    }
    if (dispatched > 0) {
        wake(); // pastes it started are written by the thread
    }
}

int DataControlServer::runningTransfers() const {
    return m_running;
}

int DataControlServer::dispatchLocked() {
    const int dispatched = wl_display_dispatch_queue_pending(m_display, m_queue);
    std::erase_if(m_sources, [](const auto& entry) { return entry.second->isCancelled(); });
    return dispatched;
}

void DataControlServer::writeTransfers() {
    const auto now = DataControlTransfer::Clock::now();
    m_running -= static_cast<int>(std::erase_if(m_transfers, [this, now](const Paste& p) {
        if (!p.transfer->writeSome(now)) {
            return false;
        }
        m_served(p.source, true);
        return true;
    }));
}

void DataControlServer::run() {
    using namespace std::chrono;
    std::vector<pollfd> fds;
    for (;;) {
        fds.assign(
            {pollfd{wl_display_get_fd(m_display), POLLIN, 0}, pollfd{m_wake.get(), POLLIN, 0}});
        int timeout = -1;
        {
            const std::lock_guard lock(m_mutex);
            if (m_stopping || dispatchLocked() < 0) {
                break;
            }
            std::move(m_asked.begin(), m_asked.end(), std::back_inserter(m_transfers));
            m_asked.clear();
        }
        writeTransfers();
        const auto now = DataControlTransfer::Clock::now();
        for (const auto& p : m_transfers) {
            fds.push_back(pollfd{p.transfer->fd(), POLLOUT, 0});
            const auto left = ceil<milliseconds>(p.transfer->deadline() - now).count();
            const int ms = static_cast<int>(std::clamp<decltype(left)>(left, 0, 60000));
            timeout = timeout < 0 ? ms : std::min(timeout, ms);
        }
        // Our own requests (a cancelled source let go) leave even while the main thread waits.
        wl_display_flush(m_display);
        const int ready = ::poll(fds.data(), fds.size(), timeout);
        if (ready < 0 && errno != EINTR) {
            qCWarning(Log::app).noquote()
                << QStringLiteral("serving the clipboard stopped: %1").arg(lastError());
            break;
        }
        if (ready > 0 && fds[1].revents != 0) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t n = ::read(m_wake.get(), &count, sizeof count);
        }
        if (ready > 0 && fds[0].revents != 0 && !readEvents()) {
            break; // the connection is gone; the main thread learns it on its own
        }
    }
}

bool DataControlServer::readEvents() {
    // Prepared only once there is something to read, and read at once: the main thread reads
    // as soon as it has prepared, without polling, and would wait for a reader that sleeps.
    // Events of ours it reads meanwhile are dispatched by its `settle` before it sleeps.
    while (wl_display_prepare_read_queue(m_display, m_queue) != 0) {
        const std::lock_guard lock(m_mutex);
        if (dispatchLocked() < 0) {
            return false;
        }
    }
    if (wl_display_read_events(m_display) < 0) {
        return false;
    }
    m_wakeMain();
    return true;
}
