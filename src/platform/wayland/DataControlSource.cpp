#include "DataControlSource.h"

DataControlSource::DataControlSource(const DataControlProtocol& protocol, wl_proxy* proxy,
                                     QList<Pasteboard::Flavour> offered, Serve serve)
    : m_protocol(protocol), m_proxy(proxy), m_offered(std::move(offered)),
      m_serve(std::move(serve)) {
    m_protocol.addSourceListener(m_proxy, this);
    for (const auto& [type, bytes] : m_offered) {
        m_protocol.offerType(m_proxy, type.toUtf8().constData());
    }
}

DataControlSource::~DataControlSource() {
    release();
}

void DataControlSource::release() {
    if (m_proxy) {
        m_protocol.destroySource(m_proxy);
        m_proxy = nullptr;
    }
    m_offered.clear();
}

void DataControlSource::send(const char* mimeType, int32_t fd) {
    DataControlFd pipe(fd);
    const QString type = QString::fromUtf8(mimeType);
    for (const auto& [offered, bytes] : m_offered) {
        if (offered == type) {
            m_serve(std::move(pipe), bytes);
            return;
        }
    }
    // A type we never offered: the reader gets an empty answer.
}

void DataControlSource::cancelled() {
    release();
}
