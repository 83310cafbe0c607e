#pragma once

#include "WaylandBackends.h"

#include <QString>
#include <cstdint>

struct wl_interface;
struct wl_proxy;
struct wl_seat;

// One binding of the data-control protocol: the requests and events of its manager, device,
// source and offer, for the classes that speak it (DataControlDevice, DataControlServer,
// DataControlSource) to call without knowing which one the compositor offers. The standard
// ext-data-control and the older wlr-data-control are the same shape: the same requests and
// events, in the same order, under other names. Their objects go through here as plain
// proxies; each binding knows which of its own interfaces each one is.
//
// A listener gets the events of its object until the object is destroyed; `data` must outlive
// that, and its events run on whichever thread dispatches the proxy's queue.
struct DataControlProtocol {
    class DeviceEvents {
    public:
        virtual ~DeviceEvents() = default;
        virtual void dataOffer(wl_proxy* offer) = 0;
        virtual void selection(wl_proxy* offer) = 0; // null: no content
        virtual void primarySelection(wl_proxy* offer) = 0;
        virtual void finished() = 0;
    };
    class SourceEvents {
    public:
        virtual ~SourceEvents() = default;
        // The receiver's pipe, ours to close.
        virtual void send(const char* mimeType, int32_t fd) = 0;
        virtual void cancelled() = 0;
    };
    class OfferEvents {
    public:
        virtual ~OfferEvents() = default;
        virtual void offer(const char* mimeType) = 0;
    };

    // What state.json and the log call it: "ext-data-control", "wlr-data-control".
    QString name;
    const wl_interface* manager;
    // The newest version we speak (wlr-data-control 2 added the primary selection).
    quint32 maxVersion;

    wl_proxy* (*createDataSource)(wl_proxy* manager);
    wl_proxy* (*getDataDevice)(wl_proxy* manager, wl_seat* seat);
    void (*destroyManager)(wl_proxy* manager);

    void (*addDeviceListener)(wl_proxy* device, DeviceEvents* data);
    void (*setSelection)(wl_proxy* device, wl_proxy* source);
    void (*setPrimarySelection)(wl_proxy* device, wl_proxy* source);
    void (*destroyDevice)(wl_proxy* device);

    void (*addSourceListener)(wl_proxy* source, SourceEvents* data);
    void (*offerType)(wl_proxy* source, const char* mimeType);
    void (*destroySource)(wl_proxy* source);

    void (*addOfferListener)(wl_proxy* offer, OfferEvents* data);
    void (*receive)(wl_proxy* offer, const char* mimeType, int32_t fd);
    void (*destroyOffer)(wl_proxy* offer);

    static const DataControlProtocol& ext();
    static const DataControlProtocol& wlr();
    // The binding that does the chosen clipboard job; null for the X11 clipboard.
    static const DataControlProtocol* of(WaylandBackends::Clipboard clipboard);
};
