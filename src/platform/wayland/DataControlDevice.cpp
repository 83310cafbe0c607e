#include "DataControlDevice.h"

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

#include "wlr-data-control-unstable-v1-client-protocol.h"
#include <wayland-client.h>

namespace {
std::size_t indexOf(DataControlDevice::Selection selection) {
    return selection == DataControlDevice::Selection::Clipboard ? 0 : 1;
}
} // namespace

bool DataControlDevice::isOffered(const WaylandConnection& connection) {
    return connection.global(QByteArray(zwlr_data_control_manager_v1_interface.name)).has_value();
}

bool DataControlDevice::offersPrimary(const WaylandConnection& connection) {
    const auto g = connection.global(QByteArray(zwlr_data_control_manager_v1_interface.name));
    return g && g->version >= 2;
}

std::unique_ptr<DataControlDevice> DataControlDevice::create(WaylandConnection& connection) {
    if (!connection.seat()) {
        qCInfo(Log::app) << "the Wayland compositor offers no seat: no clipboard through it";
        return nullptr;
    }
    quint32 version = 0;
    auto* manager = static_cast<zwlr_data_control_manager_v1*>(
        connection.bind(&zwlr_data_control_manager_v1_interface, 1, 2, &version));
    if (!manager) {
        qCInfo(Log::app) << "the Wayland compositor offers no data-control clipboard";
        return nullptr;
    }
    std::unique_ptr<DataControlDevice> device(new DataControlDevice(connection, manager, version));
    // The current selections are known from the start.
    connection.roundtrip();
    qCInfo(Log::app).noquote() << QStringLiteral("clipboard through wlr-data-control version %1%2")
                                      .arg(version)
                                      .arg(version >= 2
                                               ? QString()
                                               : QStringLiteral(" (no primary selection)"));
    return device;
}

DataControlDevice::DataControlDevice(WaylandConnection& connection,
                                     zwlr_data_control_manager_v1* manager, quint32 version)
    : m_connection(connection), m_manager(manager), m_version(version) {
    static const zwlr_data_control_device_v1_listener listener = {&onDataOffer, &onSelection,
                                                                  &onFinished, &onPrimarySelection};
    m_device = zwlr_data_control_manager_v1_get_data_device(m_manager, connection.seat());
    zwlr_data_control_device_v1_add_listener(m_device, &listener, this);
    // The serving thread may read events of the main thread's queue from the socket; the
    // main thread's notifier then has nothing left to see, so it is told to dispatch them.
    auto wakePending = std::make_shared<std::atomic_bool>(false);
    WaylandConnection* c = &connection;
    m_server = DataControlServer::start(connection.display(), m_manager, [c, wakePending] {
        if (!wakePending->exchange(true)) {
            QMetaObject::invokeMethod(
                c,
                [c, wakePending] {
                    wakePending->store(false);
                    c->flush();
                },
                Qt::QueuedConnection);
        }
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
        zwlr_data_control_device_v1_destroy(m_device);
    }
    // The thread stops and our sources let their proxies go before the manager.
    m_server.reset();
    zwlr_data_control_manager_v1_destroy(m_manager);
}

DataControlDevice::Offer::~Offer() {
    zwlr_data_control_offer_v1_destroy(proxy);
}

wl_display* DataControlDevice::display() const {
    return m_connection.display();
}

void DataControlDevice::onDataOffer(void* data, zwlr_data_control_device_v1*,
                                    zwlr_data_control_offer_v1* proxy) {
    static const zwlr_data_control_offer_v1_listener listener = {&onOfferType};
    auto offer = std::make_shared<Offer>(proxy);
    zwlr_data_control_offer_v1_add_listener(proxy, &listener, offer.get());
    static_cast<DataControlDevice*>(data)->m_announced.push_back(std::move(offer));
}

void DataControlDevice::onOfferType(void* data, zwlr_data_control_offer_v1*, const char* mimeType) {
    static_cast<Offer*>(data)->types.append(QString::fromUtf8(mimeType));
}

void DataControlDevice::onSelection(void* data, zwlr_data_control_device_v1*,
                                    zwlr_data_control_offer_v1* offer) {
    static_cast<DataControlDevice*>(data)->offerSelected(Selection::Clipboard, offer);
}

void DataControlDevice::onPrimarySelection(void* data, zwlr_data_control_device_v1*,
                                           zwlr_data_control_offer_v1* offer) {
    static_cast<DataControlDevice*>(data)->offerSelected(Selection::Primary, offer);
}

void DataControlDevice::onFinished(void* data, zwlr_data_control_device_v1*) {
    static_cast<DataControlDevice*>(data)->stop(
        QStringLiteral("the compositor ended the data-control device"));
}

void DataControlDevice::offerSelected(Selection selection, zwlr_data_control_offer_v1* proxy) {
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
    zwlr_data_control_device_v1_destroy(m_device);
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
    zwlr_data_control_offer_v1_receive(offer->proxy, mimeType.toUtf8().constData(), writeEnd.get());
    return readEnd;
}

DataControlDevice::SourceId
DataControlDevice::setSelection(Selection selection, const QList<Pasteboard::Flavour>& offered) {
    if (!m_device || !m_server || (selection == Selection::Primary && !hasPrimary())) {
        return 0;
    }
    const SourceId id = m_server->publish(offered, [this, selection](auto* source) {
        if (selection == Selection::Clipboard) {
            zwlr_data_control_device_v1_set_selection(m_device, source);
        } else {
            zwlr_data_control_device_v1_set_primary_selection(m_device, source);
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
        zwlr_data_control_device_v1_set_selection(m_device, nullptr);
    } else {
        zwlr_data_control_device_v1_set_primary_selection(m_device, nullptr);
    }
    wl_display_flush(display());
}
