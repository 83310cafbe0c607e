#include "MemoryPasteboard.h"

#include "ImageConversion.h"

#include <QUrl>

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

std::optional<QByteArray> MemoryPasteboard::data(const QString& type) {
    reads << type;
    for (const Flavour& f : m_flavours) {
        if (f.first == type) {
            return f.second;
        }
    }
    return std::nullopt;
}

std::optional<QString> MemoryPasteboard::string(const QString& type) {
    const auto bytes = data(type);
    return bytes ? std::optional<QString>(decodeText(*bytes)) : std::nullopt;
}

std::optional<QByteArray> MemoryPasteboard::firstImageTiff() {
    reads << QStringLiteral("images");
    for (const Flavour& f : m_flavours) {
        if (f.first.startsWith(QStringLiteral("image/"))) {
            if (const auto image = ImageConversion::decode(f.second)) {
                return ImageConversion::toTiff(*image);
            }
        }
    }
    return std::nullopt;
}

void MemoryPasteboard::clearContents() {
    m_flavours.clear();
    m_hasContent = false;
    ++m_changeCount;
}

void MemoryPasteboard::writeItem(const QList<Flavour>& flavours) {
    m_flavours = flavours;
    m_hasContent = true;
    ++m_changeCount;
}

void MemoryPasteboard::setContent(const QList<Flavour>& flavours) {
    writeItem(flavours);
    reads.clear();
}
