#include "DataControlDevice.h"

#include "DataControlSource.h"
#include "DataControlTransfer.h"
#include "WaylandConnection.h"
#include "core/Log.h"

#include <QByteArray>
#include <algorithm>
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
    connect(&connection, &WaylandConnection::lost, this,
            [this] { stop(QStringLiteral("the Wayland connection closed")); });
}

DataControlDevice::~DataControlDevice() {
    m_current = {};
    m_announced.clear();
    if (m_device) {
        zwlr_data_control_device_v1_destroy(m_device);
    }
    // Sources and transfers are children: sources let their proxies go before the manager.
    qDeleteAll(findChildren<DataControlSource*>(QString(), Qt::FindDirectChildrenOnly));
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
    qDeleteAll(findChildren<DataControlSource*>(QString(), Qt::FindDirectChildrenOnly));
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

DataControlSource* DataControlDevice::setSelection(Selection selection,
                                                   const QList<Pasteboard::Flavour>& offered) {
    if (!m_device || (selection == Selection::Primary && !hasPrimary())) {
        return nullptr;
    }
    auto* source = new DataControlSource(
        *this, zwlr_data_control_manager_v1_create_data_source(m_manager), offered);
    if (selection == Selection::Clipboard) {
        zwlr_data_control_device_v1_set_selection(m_device, source->proxy());
    } else {
        zwlr_data_control_device_v1_set_primary_selection(m_device, source->proxy());
    }
    wl_display_flush(display());
    return source;
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

void DataControlDevice::serve(DataControlFd fd, const QByteArray& bytes) {
    auto* transfer = new DataControlTransfer(std::move(fd), bytes, this);
    ++m_transfers;
    connect(transfer, &DataControlTransfer::ended, this, [this] { --m_transfers; });
}
