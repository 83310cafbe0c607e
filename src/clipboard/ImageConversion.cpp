#include "ImageConversion.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>

namespace {
std::optional<QByteArray> encode(const QImage& image, const char* format) {
    if (image.isNull()) {
        return std::nullopt;
    }
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image) || out.isEmpty()) {
        return std::nullopt;
    }
    return out;
}
} // namespace

std::optional<QImage> ImageConversion::decode(const QByteArray& bytes, const char* format) {
    if (bytes.isEmpty()) {
        return std::nullopt;
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    QImage image = reader.read();
    if (image.isNull()) {
        return std::nullopt;
    }
    return image;
}

std::optional<QByteArray> ImageConversion::toPng(const QImage& image) {
    return encode(image, "png");
}

std::optional<QByteArray> ImageConversion::toTiff(const QImage& image) {
    return encode(image, "tiff");
}
