#include "DataControlSource.h"

#include "wlr-data-control-unstable-v1-client-protocol.h"

DataControlSource::DataControlSource(zwlr_data_control_source_v1* proxy,
                                     QList<Pasteboard::Flavour> offered, Serve serve)
    : m_proxy(proxy), m_offered(std::move(offered)), m_serve(std::move(serve)) {
    static const zwlr_data_control_source_v1_listener listener = {&onSend, &onCancelled};
    zwlr_data_control_source_v1_add_listener(m_proxy, &listener, this);
    for (const auto& [type, bytes] : m_offered) {
        zwlr_data_control_source_v1_offer(m_proxy, type.toUtf8().constData());
    }
}

DataControlSource::~DataControlSource() {
    release();
}

void DataControlSource::release() {
    if (m_proxy) {
        zwlr_data_control_source_v1_destroy(m_proxy);
        m_proxy = nullptr;
    }
    m_offered.clear();
}

void DataControlSource::onSend(void* data, zwlr_data_control_source_v1*, const char* mimeType,
                               int32_t fd) {
    auto* self = static_cast<DataControlSource*>(data);
    DataControlFd pipe(fd);
    const QString type = QString::fromUtf8(mimeType);
    for (const auto& [offered, bytes] : self->m_offered) {
        if (offered == type) {
            self->m_serve(std::move(pipe), bytes);
            return;
        }
    }
    // A type we never offered: the reader gets an empty answer.
}

void DataControlSource::onCancelled(void* data, zwlr_data_control_source_v1*) {
    static_cast<DataControlSource*>(data)->release();
}
