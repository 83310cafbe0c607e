#include "Thumbnailer.h"

#include "ImageConversion.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QImageReader>
#include <algorithm>

Thumbnailer::Thumbnailer(qint64 cacheBytes)
    : m_cache(static_cast<qsizetype>(std::max<qint64>(cacheBytes, 1))) {}

std::optional<QImage> Thumbnailer::downsample(const QByteArray& data, int maxPixel) {
    maxPixel = std::max(maxPixel, 1);
    QBuffer buffer;
    buffer.setData(data);
    if (data.isEmpty() || !buffer.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QImageReader reader;
    if (!ImageConversion::prepareReader(reader, &buffer, data)) {
        return std::nullopt;
    }
    reader.setAutoTransform(true);
    const QSize full = reader.size();
    // Images with a colour table (1- to 8-bit palettes, bilevel scans) lose it when read at a
    // scaled size: those are read whole, which their few bits per pixel keep small, and
    // scaled as true colour below.
    const QImage::Format stored = reader.imageFormat();
    const bool indexed = stored == QImage::Format_Mono || stored == QImage::Format_MonoLSB ||
                         stored == QImage::Format_Indexed8;
    if (!indexed && full.isValid() && std::max(full.width(), full.height()) > maxPixel) {
        QSize scaled = full.scaled(maxPixel, maxPixel, Qt::KeepAspectRatio);
        reader.setScaledSize(scaled.expandedTo(QSize(1, 1)));
    }
    QImage image = reader.read();
    if (image.isNull()) {
        return std::nullopt;
    }
    if (std::max(image.width(), image.height()) > maxPixel) {
        // Not scaled while reading (a colour table, or a size unknown up front).
        if (image.colorCount() > 0) {
            image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                  : QImage::Format_RGB32);
        }
        image = image.scaled(maxPixel, maxPixel, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return image;
}

std::optional<QImage> Thumbnailer::thumbnail(const QByteArray& data) {
    const QByteArray key = QCryptographicHash::hash(data, QCryptographicHash::Sha256);
    if (const QImage* hit = m_cache.object(key)) {
        return *hit;
    }
    ++m_decodes;
    auto image = downsample(data, thumbnailMaxPixel);
    if (!image) {
        return std::nullopt;
    }
    const qsizetype cost = std::max<qsizetype>(image->sizeInBytes(), 1);
    m_cache.insert(key, new QImage(*image), cost);
    return image;
}
