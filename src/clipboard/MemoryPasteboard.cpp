#include "MemoryPasteboard.h"

#include "ImageConversion.h"

std::optional<QStringList> MemoryPasteboard::types() {
    reads << QStringLiteral("types");
    if (!m_hasContent) {
        return std::nullopt;
    }
    QStringList out;
    for (const Flavour& f : m_flavours) {
        out << f.first;
    }
    return out;
}

std::optional<QByteArray> MemoryPasteboard::find(const QString& type) {
    if (m_oversize) {
        return std::nullopt;
    }
    for (const Flavour& f : m_flavours) {
        if (f.first != type) {
            continue;
        }
        if (f.second.size() > m_contentLimit) {
            m_oversize = Oversize{f.second.size(), false};
            return std::nullopt;
        }
        return f.second;
    }
    return std::nullopt;
}

std::optional<QByteArray> MemoryPasteboard::data(const QString& type) {
    reads << type;
    return find(type);
}

std::optional<QString> MemoryPasteboard::string(const QString& type) {
    const auto bytes = data(type);
    return bytes ? std::optional<QString>(decodeText(*bytes)) : std::nullopt;
}

std::optional<QByteArray> MemoryPasteboard::firstImageTiff() {
    reads << QStringLiteral("images");
    QStringList offered;
    for (const Flavour& f : m_flavours) {
        offered << f.first;
    }
    return ImageConversion::firstImageTiff(offered,
                                           [this](const QString& type) { return find(type); });
}

void MemoryPasteboard::clearContents() {
    m_flavours.clear();
    m_oversize.reset();
    m_hasContent = false;
    ++m_changeCount;
}

void MemoryPasteboard::writeItem(const QList<Flavour>& flavours) {
    m_flavours = flavours;
    m_oversize.reset();
    m_hasContent = true;
    ++m_changeCount;
}

void MemoryPasteboard::setContent(const QList<Flavour>& flavours) {
    writeItem(flavours);
    reads.clear();
}
