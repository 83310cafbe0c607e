// The wlroots project's data-control protocol, offered by sway and by KWin before 6.5.
#include "DataControlBinding.h"

#include "wlr-data-control-unstable-v1-client-protocol.h"

namespace {
struct WlrGlue {
    using Manager = zwlr_data_control_manager_v1;
    using Device = zwlr_data_control_device_v1;
    using Source = zwlr_data_control_source_v1;
    using Offer = zwlr_data_control_offer_v1;
    using DeviceListener = zwlr_data_control_device_v1_listener;
    using SourceListener = zwlr_data_control_source_v1_listener;
    using OfferListener = zwlr_data_control_offer_v1_listener;

    static Source* createDataSource(Manager* m) {
        return zwlr_data_control_manager_v1_create_data_source(m);
    }
    static Device* getDataDevice(Manager* m, wl_seat* seat) {
        return zwlr_data_control_manager_v1_get_data_device(m, seat);
    }
    static void destroyManager(Manager* m) { zwlr_data_control_manager_v1_destroy(m); }
    static void addDeviceListener(Device* d, const DeviceListener* l, void* data) {
        zwlr_data_control_device_v1_add_listener(d, l, data);
    }
    static void setSelection(Device* d, Source* s) {
        zwlr_data_control_device_v1_set_selection(d, s);
    }
    static void setPrimarySelection(Device* d, Source* s) {
        zwlr_data_control_device_v1_set_primary_selection(d, s);
    }
    static void destroyDevice(Device* d) { zwlr_data_control_device_v1_destroy(d); }
    static void addSourceListener(Source* s, const SourceListener* l, void* data) {
        zwlr_data_control_source_v1_add_listener(s, l, data);
    }
    static void offerType(Source* s, const char* type) {
        zwlr_data_control_source_v1_offer(s, type);
    }
    static void destroySource(Source* s) { zwlr_data_control_source_v1_destroy(s); }
    static void addOfferListener(Offer* o, const OfferListener* l, void* data) {
        zwlr_data_control_offer_v1_add_listener(o, l, data);
    }
    static void receive(Offer* o, const char* type, int32_t fd) {
        zwlr_data_control_offer_v1_receive(o, type, fd);
    }
    static void destroyOffer(Offer* o) { zwlr_data_control_offer_v1_destroy(o); }
};
} // namespace

const DataControlProtocol& DataControlProtocol::wlr() {
    // Version 2 added the primary selection.
    static const DataControlProtocol protocol = DataControlBinding<WlrGlue>::table(
        QStringLiteral("wlr-data-control"), &zwlr_data_control_manager_v1_interface, 2);
    return protocol;
}
