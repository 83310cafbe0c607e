#include "DataControlDevice.h"

#include "WaylandBackends.h"
#include "WaylandConnection.h"
#include "core/Log.h"

#include <QAbstractEventDispatcher>
#include <QByteArray>
#include <QMetaObject>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include <wayland-client.h>

namespace {
std::size_t indexOf(DataControlDevice::Selection selection) {
    return selection == DataControlDevice::Selection::Clipboard ? 0 : 1;
}
} // namespace

std::unique_ptr<DataControlDevice> DataControlDevice::create(WaylandConnection& connection) {
    const DataControlProtocol* protocol =
        DataControlProtocol::of(WaylandBackends::choose(connection.globals()).clipboard);
    if (!protocol) {
        qCInfo(Log::app) << "the Wayland compositor offers no data-control clipboard";
        return nullptr;
    }
    return create(connection, *protocol);
}

std::unique_ptr<DataControlDevice> DataControlDevice::create(WaylandConnection& connection,
                                                             const DataControlProtocol& protocol) {
    if (!connection.seat()) {
        qCInfo(Log::app) << "the Wayland compositor offers no seat: no clipboard through it";
        return nullptr;
    }
    quint32 version = 0;
    auto* manager =
        static_cast<wl_proxy*>(connection.bind(protocol.manager, 1, protocol.maxVersion, &version));
    if (!manager) {
        qCInfo(Log::app).noquote()
            << QStringLiteral("the Wayland compositor offers no %1 clipboard").arg(protocol.name);
        return nullptr;
    }
    std::unique_ptr<DataControlDevice> device(new DataControlDevice(connection, protocol, manager));
    // The current selections are known from the start; so is whether there is a primary one.
    connection.roundtrip();
    qCInfo(Log::app).noquote() << QStringLiteral("clipboard through %1 version %2%3")
                                      .arg(protocol.name)
                                      .arg(version)
                                      .arg(device->hasPrimary()
                                               ? QString()
                                               : QStringLiteral(" (no primary selection)"));
    return device;
}

DataControlDevice::DataControlDevice(WaylandConnection& connection,
                                     const DataControlProtocol& protocol, wl_proxy* manager)
    : m_connection(connection), m_protocol(protocol), m_manager(manager) {
    m_device = m_protocol.getDataDevice(m_manager, connection.seat());
    m_protocol.addDeviceListener(m_device, this);
    // The serving thread may read events of the main thread's queue from the socket; the
    // main thread's notifier then has nothing left to see, so it is told to dispatch them.
    auto wakePending = std::make_shared<std::atomic_bool>(false);
    WaylandConnection* c = &connection;
    m_server = DataControlServer::start(
        m_protocol, connection.display(), m_manager,
        [c, wakePending] {
            if (!wakePending->exchange(true)) {
                QMetaObject::invokeMethod(
                    c,
                    [c, wakePending] {
                        wakePending->store(false);
                        c->flush();
                    },
                    Qt::QueuedConnection);
            }
        },
        [this](SourceId source, bool finished) {
            QMetaObject::invokeMethod(
                this, [this, source, finished] { Q_EMIT served(source, finished); },
                Qt::QueuedConnection);
        });
    // Events of our sources that the main thread read are run before its loop sleeps, and
    // when it wakes (a loop run without sleeping, as in processEvents, only says that).
    if (auto* dispatcher = QAbstractEventDispatcher::instance(QThread::currentThread())) {
        const auto settle = [this] {
            if (m_server) {
                m_server->settle();
            }
        };
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, settle);
        connect(dispatcher, &QAbstractEventDispatcher::awake, this, settle);
    }
    connect(&connection, &WaylandConnection::lost, this,
            [this] { stop(QStringLiteral("the Wayland connection closed")); });
}

DataControlDevice::~DataControlDevice() {
    m_current = {};
    m_announced.clear();
    if (m_device) {
        m_protocol.destroyDevice(m_device);
    }
    // The thread stops and our sources let their proxies go before the manager.
    m_server.reset();
    m_protocol.destroyManager(m_manager);
}

DataControlDevice::Offer::Offer(const DataControlProtocol& p, wl_proxy* o) : protocol(p), proxy(o) {
    protocol.addOfferListener(proxy, this);
}

DataControlDevice::Offer::~Offer() {
    protocol.destroyOffer(proxy);
}

void DataControlDevice::Offer::offer(const char* mimeType) {
    types.append(QString::fromUtf8(mimeType));
}

wl_display* DataControlDevice::display() const {
    return m_connection.display();
}

void DataControlDevice::dataOffer(wl_proxy* proxy) {
    m_announced.push_back(std::make_shared<Offer>(m_protocol, proxy));
}

void DataControlDevice::selection(wl_proxy* offer) {
    offerSelected(Selection::Clipboard, offer);
}

void DataControlDevice::primarySelection(wl_proxy* offer) {
    m_primaryAnnounced = true;
    offerSelected(Selection::Primary, offer);
}

void DataControlDevice::finished() {
    stop(QStringLiteral("the compositor ended the data-control device"));
}

void DataControlDevice::offerSelected(Selection selection, wl_proxy* proxy) {
    std::shared_ptr<Offer> offer;
    if (proxy) {
        const auto it = std::find_if(m_announced.begin(), m_announced.end(),
                                     [proxy](const auto& o) { return o->proxy == proxy; });
        if (it != m_announced.end()) {
            offer = std::move(*it);
            m_announced.erase(it);
        } else {
            for (const auto& current : m_current) {
                if (current && current->proxy == proxy) {
                    offer = current; // one offer for both selections
                }
            }
        }
    }
    // The offer it replaces is destroyed here, unless the other selection still holds it.
    m_current[indexOf(selection)] = std::move(offer);
    // The compositor cancels the source it replaces before it says so: that `cancelled` has
    // been read onto our sources' queue, and is run now.
    if (m_server) {
        m_server->settle();
    }
    Q_EMIT selectionChanged(selection);
}

void DataControlDevice::stop(const QString& reason) {
    if (!m_device) {
        return;
    }
    qCWarning(Log::app).noquote()
        << QStringLiteral("%1: the clipboard is no longer read or written").arg(reason);
    m_current = {};
    m_announced.clear();
    m_protocol.destroyDevice(m_device);
    m_device = nullptr;
    m_server.reset();
}

std::optional<QStringList> DataControlDevice::offerTypes(Selection selection) const {
    const auto& offer = m_current[indexOf(selection)];
    if (!offer) {
        return std::nullopt;
    }
    return offer->types;
}

DataControlFd DataControlDevice::receive(Selection selection, const QString& mimeType) {
    const auto& offer = m_current[indexOf(selection)];
    if (!offer) {
        return {};
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        qCWarning(Log::app).noquote() << QStringLiteral("no pipe for reading the clipboard: %1")
                                             .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return {};
    }
    DataControlFd readEnd(fds[0]);
    const DataControlFd writeEnd(fds[1]);
    // The request carries its own copy of the write end; ours closes here, so the read end
    // sees the end of the data once the owner closes its copy.
    m_protocol.receive(offer->proxy, mimeType.toUtf8().constData(), writeEnd.get());
    return readEnd;
}

DataControlDevice::SourceId
DataControlDevice::setSelection(Selection selection, const QList<Pasteboard::Flavour>& offered) {
    if (!m_device || !m_server || (selection == Selection::Primary && !hasPrimary())) {
        return 0;
    }
    const SourceId id = m_server->publish(offered, [this, selection](wl_proxy* source) {
        if (selection == Selection::Clipboard) {
            m_protocol.setSelection(m_device, source);
        } else {
            m_protocol.setPrimarySelection(m_device, source);
        }
    });
    wl_display_flush(display());
    return id;
}

bool DataControlDevice::isSourceLive(SourceId id) const {
    return m_server && id != 0 && m_server->isLive(id);
}

int DataControlDevice::runningTransfers() const {
    return m_server ? m_server->runningTransfers() : 0;
}

void DataControlDevice::clearSelection(Selection selection) {
    if (!m_device || (selection == Selection::Primary && !hasPrimary())) {
        return;
    }
    if (selection == Selection::Clipboard) {
        m_protocol.setSelection(m_device, nullptr);
    } else {
        m_protocol.setPrimarySelection(m_device, nullptr);
    }
    wl_display_flush(display());
}
