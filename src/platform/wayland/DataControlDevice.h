#pragma once

#include "DataControlFd.h"
#include "DataControlProtocol.h"
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
struct wl_proxy;

// The seat's clipboard and primary selection through data-control (the standard
// ext-data-control or the older wlr-data-control: a DataControlProtocol), on the program's own
// Wayland connection: no window and no keyboard focus needed. One device serves both
// selections; a DataControlPasteboard reads and writes one of them through it.
//
// It keeps the current offer of each selection (an offer is destroyed when the next one
// replaces it), asks an offer's owner for a type through a pipe, makes our own selections
// (DataControlSource) and serves their pastes without blocking the event loop.
// When the compositor ends the device (`finished`) or the connection is lost, it turns inert:
// no content, and writes do nothing. It must go before the connection it was made on.
class DataControlDevice final : public QObject, private DataControlProtocol::DeviceEvents {
    Q_OBJECT
public:
    enum class Selection { Clipboard, Primary };
    Q_ENUM(Selection)

    // The device of the connection's seat through `protocol`; null (and a log line) when the
    // compositor does not offer it or a seat.
    static std::unique_ptr<DataControlDevice> create(WaylandConnection& connection,
                                                     const DataControlProtocol& protocol);
    // Through the protocol WaylandBackends chooses among those offered; null (and a log
    // line) when none is.
    static std::unique_ptr<DataControlDevice> create(WaylandConnection& connection);
    ~DataControlDevice() override;
    DataControlDevice(const DataControlDevice&) = delete;
    DataControlDevice& operator=(const DataControlDevice&) = delete;

    const DataControlProtocol& protocol() const { return m_protocol; }
    bool isActive() const { return m_device != nullptr; }
    // Whether the bound version carries the primary selection and the compositor keeps one:
    // it tells the device the current one on binding.
    bool hasPrimary() const { return isActive() && m_primaryAnnounced; }
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
    // A paste of our source `source` started (false) or is over (true), told on the main
    // thread.
    void served(DataControlDevice::SourceId source, bool finished);

private:
    struct Offer final : DataControlProtocol::OfferEvents {
        Offer(const DataControlProtocol& protocol, wl_proxy* p);
        ~Offer() override;
        Offer(const Offer&) = delete;
        Offer& operator=(const Offer&) = delete;
        void offer(const char* mimeType) override;
        const DataControlProtocol& protocol;
        wl_proxy* proxy;
        QStringList types;
    };

    DataControlDevice(WaylandConnection& connection, const DataControlProtocol& protocol,
                      wl_proxy* manager);
    void offerSelected(Selection selection, wl_proxy* proxy);
    void stop(const QString& reason);

    void dataOffer(wl_proxy* offer) override;
    void selection(wl_proxy* offer) override;
    void primarySelection(wl_proxy* offer) override;
    void finished() override;

    WaylandConnection& m_connection;
    const DataControlProtocol& m_protocol;
    wl_proxy* m_manager = nullptr;
    wl_proxy* m_device = nullptr;
    bool m_primaryAnnounced = false;
    // Offers announced and not yet made a selection.
    std::vector<std::shared_ptr<Offer>> m_announced;
    std::array<std::shared_ptr<Offer>, 2> m_current;
    std::unique_ptr<DataControlServer> m_server;
};
