#include "Blob.h"

Blob Blob::deferred(qint64 size, std::function<QByteArray()> load) {
    Blob b;
    b.m_size = size;
    b.m_loader = std::make_shared<const std::function<QByteArray()>>(std::move(load));
    return b;
}

QByteArray Blob::bytes() const {
    if (m_loader) {
        return (*m_loader)();
    }
    return m_bytes;
}

std::optional<QByteArray> Blob::load() const {
    QByteArray out = bytes();
    if (m_loader && out.size() != m_size) {
        return std::nullopt;
    }
    return out;
}

bool operator==(const Blob& a, const Blob& b) {
    if (a.size() != b.size()) {
        return false;
    }
    if (a.m_loader && a.m_loader == b.m_loader) {
        return true;
    }
    return a.bytes() == b.bytes();
}
