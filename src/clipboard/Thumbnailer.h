#pragma once

#include <QByteArray>
#include <QCache>
#include <QImage>
#include <optional>

// Small pictures of image content. One instance serves the whole program (the application
// creates it and hands it to every view), so an image is decoded once and shown from the
// cache afterwards. The cache is keyed by a digest of the image bytes (never the bytes
// themselves, which would stay in memory uncounted) and bounded by the total size of the
// decoded pictures, least recently used dropped first.
class Thumbnailer {
public:
    static constexpr int thumbnailMaxPixel = 512;
    static constexpr qint64 defaultCacheBytes = 64LL * 1024 * 1024;

    explicit Thumbnailer(qint64 cacheBytes = defaultCacheBytes);

    // Decodes `data` into a picture whose longer side is at most `maxPixel` pixels (never
    // scaled up), with the image's orientation applied. Absent when ImageConversion refuses
    // it (a format the program does not know, too many pixels) or it does not decode.
    static std::optional<QImage> downsample(const QByteArray& data, int maxPixel);

    // The cached 512-pixel picture of `data`, decoding it on a miss. A failure is not
    // cached, so the next call tries again.
    std::optional<QImage> thumbnail(const QByteArray& data);

    int decodeCount() const { return m_decodes; }

private:
    QCache<QByteArray, QImage> m_cache;
    int m_decodes = 0;
};
