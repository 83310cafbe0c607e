#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QStringList>
#include <functional>
#include <optional>

class QIODevice;
class QImageReader;

// Bitmap conversions of the clipboard: decoding images from other programs, and rendering PNG
// (no extra metadata) and TIFF.
//
// Only the formats the program knows are decoded (PNG, TIFF, JPEG, GIF, BMP and WebP), each by
// its own decoder, chosen from the signature the bytes start with; never one that a plugin
// guesses from the content. An image whose header gives no size, or a size over `maxSide`
// pixels a side or `maxPixels` in all, is refused before anything is decoded.
class ImageConversion {
public:
    static constexpr int maxSide = 16384;
    static constexpr qint64 maxPixels = qint64(64) * 1024 * 1024;
    // The decoders' own allocation limit, in MiB: what the largest image allowed takes at 32
    // bits a pixel.
    static constexpr int allocationLimitMiB = 256;

    // Sets the decoders' allocation limit for the whole program, whatever QT_IMAGEIO_MAXALLOC
    // says (Qt lets that variable win over the program's own setting, so it is cleared). Called
    // once at start, before anything reads an image.
    static void limitDecoders();

    // The decoder name ("png", "tiff", "jpeg", "gif", "bmp", "webp") of the known format whose
    // signature `bytes` start with; null for any other.
    static const char* formatOf(QByteArrayView bytes);
    static bool acceptableSize(QSize size);
    // Points `reader` at `device` (which holds `bytes`) with the decoder of the bytes' format
    // alone; false when they are of no known format (or not of `format`, when given), or their
    // header gives no acceptable size. Nothing is decoded yet.
    static bool prepareReader(QImageReader& reader, QIODevice* device, QByteArrayView bytes,
                              const char* format = nullptr);
    // Whether `bytes` hold an image of `format` that prepareReader accepts.
    static bool fits(const QByteArray& bytes, const char* format);

    // The image in `bytes`, or absent when prepareReader refuses them or they do not decode.
    static std::optional<QImage> decode(const QByteArray& bytes, const char* format = nullptr);
    // The first of the offered `types` that is an image type and whose bytes (from `bytes`)
    // decode, as TIFF: what every pasteboard makes of images other than PNG and TIFF.
    static std::optional<QByteArray>
    firstImageTiff(const QStringList& types,
                   const std::function<std::optional<QByteArray>(const QString&)>& bytes);

    static std::optional<QByteArray> toPng(const QImage& image);
    static std::optional<QByteArray> toTiff(const QImage& image);
};
