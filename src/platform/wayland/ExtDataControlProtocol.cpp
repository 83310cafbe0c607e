// The standard data-control protocol of wayland-protocols, offered by current KWin and sway (KWin
// 6.5 offers no other); it carries the primary selection from its first version.
#include "DataControlBinding.h"

#include "ext-data-control-v1-client-protocol.h"

namespace {
struct ExtGlue {
    using Manager = ext_data_control_manager_v1;
    using Device = ext_data_control_device_v1;
    using Source = ext_data_control_source_v1;
    using Offer = ext_data_control_offer_v1;
    using DeviceListener = ext_data_control_device_v1_listener;
    using SourceListener = ext_data_control_source_v1_listener;
    using OfferListener = ext_data_control_offer_v1_listener;

    static Source* createDataSource(Manager* m) {
        return ext_data_control_manager_v1_create_data_source(m);
    }
    static Device* getDataDevice(Manager* m, wl_seat* seat) {
        return ext_data_control_manager_v1_get_data_device(m, seat);
    }
    static void destroyManager(Manager* m) { ext_data_control_manager_v1_destroy(m); }
    static void addDeviceListener(Device* d, const DeviceListener* l, void* data) {
        ext_data_control_device_v1_add_listener(d, l, data);
    }
    static void setSelection(Device* d, Source* s) {
        ext_data_control_device_v1_set_selection(d, s);
    }
    static void setPrimarySelection(Device* d, Source* s) {
        ext_data_control_device_v1_set_primary_selection(d, s);
    }
    static void destroyDevice(Device* d) { ext_data_control_device_v1_destroy(d); }
    static void addSourceListener(Source* s, const SourceListener* l, void* data) {
        ext_data_control_source_v1_add_listener(s, l, data);
    }
    static void offerType(Source* s, const char* type) {
        ext_data_control_source_v1_offer(s, type);
    }
    static void destroySource(Source* s) { ext_data_control_source_v1_destroy(s); }
    static void addOfferListener(Offer* o, const OfferListener* l, void* data) {
        ext_data_control_offer_v1_add_listener(o, l, data);
    }
    static void receive(Offer* o, const char* type, int32_t fd) {
        ext_data_control_offer_v1_receive(o, type, fd);
    }
    static void destroyOffer(Offer* o) { ext_data_control_offer_v1_destroy(o); }
};
} // namespace

const DataControlProtocol& DataControlProtocol::ext() {
    static const DataControlProtocol protocol = DataControlBinding<ExtGlue>::table(
        QStringLiteral("ext-data-control"), &ext_data_control_manager_v1_interface, 1);
    return protocol;
}
