#pragma once

#include <QByteArray>
#include <QImage>
#include <optional>

// Bitmap conversions of the clipboard: decoding PNG, TIFF and other formats, and rendering
// PNG (no extra metadata) and TIFF.
class ImageConversion {
public:
    static std::optional<QImage> decode(const QByteArray& bytes, const char* format = nullptr);
    static std::optional<QByteArray> toPng(const QImage& image);
    static std::optional<QByteArray> toTiff(const QImage& image);
};
