#pragma once

#include "DataControlProtocol.h"

#include <wayland-client.h>

// Makes the DataControlProtocol of one protocol's generated glue. `Glue` names the protocol's
// types (Manager, Device, Source, Offer and the listeners DeviceListener, SourceListener,
// OfferListener) and wraps each of its requests in a static function of the same name as the
// table's entry; the listeners and the proxy conversions are made here, once for both.
template <typename Glue> class DataControlBinding {
public:
    static DataControlProtocol table(const QString& name, const wl_interface* manager,
                                     quint32 maxVersion) {
        return DataControlProtocol{
            .name = name,
            .manager = manager,
            .maxVersion = maxVersion,
            .createDataSource = [](wl_proxy* m) { return proxy(Glue::createDataSource(as<M>(m))); },
            .getDataDevice =
                [](wl_proxy* m, wl_seat* seat) {
                    return proxy(Glue::getDataDevice(as<M>(m), seat));
                },
            .destroyManager = [](wl_proxy* m) { Glue::destroyManager(as<M>(m)); },
            .addDeviceListener =
                [](wl_proxy* d, DataControlProtocol::DeviceEvents* data) {
                    Glue::addDeviceListener(as<D>(d), &deviceListener, data);
                },
            .setSelection = [](wl_proxy* d,
                               wl_proxy* s) { Glue::setSelection(as<D>(d), as<S>(s)); },
            .setPrimarySelection =
                [](wl_proxy* d, wl_proxy* s) { Glue::setPrimarySelection(as<D>(d), as<S>(s)); },
            .destroyDevice = [](wl_proxy* d) { Glue::destroyDevice(as<D>(d)); },
            .addSourceListener =
                [](wl_proxy* s, DataControlProtocol::SourceEvents* data) {
                    Glue::addSourceListener(as<S>(s), &sourceListener, data);
                },
            .offerType = [](wl_proxy* s, const char* type) { Glue::offerType(as<S>(s), type); },
            .destroySource = [](wl_proxy* s) { Glue::destroySource(as<S>(s)); },
            .addOfferListener =
                [](wl_proxy* o, DataControlProtocol::OfferEvents* data) {
                    Glue::addOfferListener(as<O>(o), &offerListener, data);
                },
            .receive = [](wl_proxy* o, const char* type,
                          int32_t fd) { Glue::receive(as<O>(o), type, fd); },
            .destroyOffer = [](wl_proxy* o) { Glue::destroyOffer(as<O>(o)); },
        };
    }

private:
    using M = typename Glue::Manager;
    using D = typename Glue::Device;
    using S = typename Glue::Source;
    using O = typename Glue::Offer;

    template <typename T> static T* as(wl_proxy* p) { return reinterpret_cast<T*>(p); }
    template <typename T> static wl_proxy* proxy(T* p) { return reinterpret_cast<wl_proxy*>(p); }
    static DataControlProtocol::DeviceEvents* device(void* data) {
        return static_cast<DataControlProtocol::DeviceEvents*>(data);
    }

    static inline const typename Glue::DeviceListener deviceListener = {
        [](void* data, D*, O* offer) { device(data)->dataOffer(proxy(offer)); },
        [](void* data, D*, O* offer) { device(data)->selection(proxy(offer)); },
        [](void* data, D*) { device(data)->finished(); },
        [](void* data, D*, O* offer) { device(data)->primarySelection(proxy(offer)); },
    };
    static inline const typename Glue::SourceListener sourceListener = {
        [](void* data, S*, const char* type, int32_t fd) {
            static_cast<DataControlProtocol::SourceEvents*>(data)->send(type, fd);
        },
        [](void* data, S*) { static_cast<DataControlProtocol::SourceEvents*>(data)->cancelled(); },
    };
    static inline const typename Glue::OfferListener offerListener = {
        [](void* data, O*, const char* type) {
            static_cast<DataControlProtocol::OfferEvents*>(data)->offer(type);
        },
    };
};
