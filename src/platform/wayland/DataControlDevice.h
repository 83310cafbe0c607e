#pragma once

#include "DataControlFd.h"
#include "DataControlServer.h"
#include "clipboard/Pasteboard.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <array>
#include <memory>
#include <optional>
#include <vector>

class WaylandConnection;
struct wl_display;
struct zwlr_data_control_device_v1;
struct zwlr_data_control_manager_v1;
struct zwlr_data_control_offer_v1;

// The seat's clipboard and primary selection through wlr-data-control, on the program's own
// Wayland connection: no window and no keyboard focus needed. One device serves both
// selections; a DataControlPasteboard reads and writes one of them through it.
//
// It keeps the current offer of each selection (an offer is destroyed when the next one
// replaces it), asks an offer's owner for a type through a pipe, makes our own selections
// (DataControlSource) and serves their pastes without blocking the event loop.
// When the compositor ends the device (`finished`) or the connection is lost, it turns inert:
// no content, and writes do nothing. It must go before the connection it was made on.
class DataControlDevice final : public QObject {
    Q_OBJECT
public:
    enum class Selection { Clipboard, Primary };
    Q_ENUM(Selection)

    // Whether the compositor offers data-control at all, and at a version with the primary
    // selection (2).
    static bool isOffered(const WaylandConnection& connection);
    static bool offersPrimary(const WaylandConnection& connection);
    // The device of the connection's seat; null (and a log line) when data-control or a seat
    // is not offered.
    static std::unique_ptr<DataControlDevice> create(WaylandConnection& connection);
    ~DataControlDevice() override;
    DataControlDevice(const DataControlDevice&) = delete;
    DataControlDevice& operator=(const DataControlDevice&) = delete;

    bool isActive() const { return m_device != nullptr; }
    bool hasPrimary() const { return isActive() && m_version >= 2; }
    wl_display* display() const;

    // The MIME types the selection's current offer announced; absent when it is empty.
    std::optional<QStringList> offerTypes(Selection selection) const;
    // Asks the owner of the selection's current offer to write `mimeType` into a new pipe;
    // the pipe's read end, or an invalid one when there is no offer to ask.
    DataControlFd receive(Selection selection, const QString& mimeType);

    using SourceId = DataControlServer::SourceId;
    // Makes a new source offering `offered` (type and bytes, in order) the selection. It
    // lives until the compositor cancels it; its id, or 0 when inert.
    SourceId setSelection(Selection selection, const QList<Pasteboard::Flavour>& offered);
    // Whether our source `id` still holds its selection. On a selection event that replaced
    // it, it is already false.
    bool isSourceLive(SourceId id) const;
    void clearSelection(Selection selection);

    // Pastes of ours being written now.
    int runningTransfers() const;

Q_SIGNALS:
    // Every selection event of that selection: another program's content, ours, or none.
    void selectionChanged(DataControlDevice::Selection selection);

private:
    struct Offer {
        explicit Offer(zwlr_data_control_offer_v1* p) : proxy(p) {}
        ~Offer();
        Offer(const Offer&) = delete;
        Offer& operator=(const Offer&) = delete;
        zwlr_data_control_offer_v1* proxy;
        QStringList types;
    };

    DataControlDevice(WaylandConnection& connection, zwlr_data_control_manager_v1* manager,
                      quint32 version);
    void offerSelected(Selection selection, zwlr_data_control_offer_v1* proxy);
    void stop(const QString& reason);

    static void onDataOffer(void* data, zwlr_data_control_device_v1* device,
                            zwlr_data_control_offer_v1* offer);
    static void onSelection(void* data, zwlr_data_control_device_v1* device,
                            zwlr_data_control_offer_v1* offer);
    static void onFinished(void* data, zwlr_data_control_device_v1* device);
    static void onPrimarySelection(void* data, zwlr_data_control_device_v1* device,
                                   zwlr_data_control_offer_v1* offer);
    static void onOfferType(void* data, zwlr_data_control_offer_v1* offer, const char* mimeType);

    WaylandConnection& m_connection;
    zwlr_data_control_manager_v1* m_manager = nullptr;
    zwlr_data_control_device_v1* m_device = nullptr;
    quint32 m_version = 0;
    // Offers announced and not yet made a selection.
    std::vector<std::shared_ptr<Offer>> m_announced;
    std::array<std::shared_ptr<Offer>, 2> m_current;
    std::unique_ptr<DataControlServer> m_server;
};
