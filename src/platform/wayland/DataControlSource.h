#pragma once

#include "DataControlFd.h"
#include "DataControlProtocol.h"
#include "clipboard/Pasteboard.h"

#include <QByteArray>
#include <QList>
#include <functional>

struct wl_proxy;

// A selection of ours: the types it offers and their bytes, in memory. Each paste of it (a
// `send` from the compositor) goes to `serve` with the reader's pipe and the bytes of the
// type asked for. Once another selection replaces it (`cancelled`) it lets its proxy go and
// is cancelled for good; pastes still running keep their own bytes.
//
// Its events run on whichever thread dispatches the event queue of its proxy; the owner makes
// sure that is one thread at a time, and that the source outlives that queue's dispatches.
class DataControlSource final : private DataControlProtocol::SourceEvents {
public:
    using Serve = std::function<void(DataControlFd fd, const QByteArray& bytes)>;

    // Takes `proxy`, a source of `protocol`, and offers every type of `offered` on it, in
    // order.
    DataControlSource(const DataControlProtocol& protocol, wl_proxy* proxy,
                      QList<Pasteboard::Flavour> offered, Serve serve);
    ~DataControlSource() override;
    DataControlSource(const DataControlSource&) = delete;
    DataControlSource& operator=(const DataControlSource&) = delete;

    wl_proxy* proxy() const { return m_proxy; }
    bool isCancelled() const { return m_proxy == nullptr; }

private:
    void send(const char* mimeType, int32_t fd) override;
    void cancelled() override;
    void release();

    const DataControlProtocol& m_protocol;
    wl_proxy* m_proxy = nullptr;
    QList<Pasteboard::Flavour> m_offered;
    Serve m_serve;
};
