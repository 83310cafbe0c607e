#include "ImageConversion.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <array>
#include <cstring>

namespace {
struct Signature {
    const char* format;
    qsizetype offset;
    QByteArrayView magic;
};
// WebP is a RIFF file whose form type is "WEBP"; its "RIFF" is checked separately.
const std::array<Signature, 8> signatures{{
    {"png", 0, QByteArrayView("\x89PNG\r\n\x1A\n", 8)},
    {"tiff", 0, QByteArrayView("II*\0", 4)},
    {"tiff", 0, QByteArrayView("MM\0*", 4)},
    {"jpeg", 0, QByteArrayView("\xFF\xD8\xFF", 3)},
    {"gif", 0, QByteArrayView("GIF87a", 6)},
    {"gif", 0, QByteArrayView("GIF89a", 6)},
    {"bmp", 0, QByteArrayView("BM", 2)},
    {"webp", 8, QByteArrayView("WEBP", 4)},
}};

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

void ImageConversion::limitDecoders() {
    qunsetenv("QT_IMAGEIO_MAXALLOC");
    QImageReader::setAllocationLimit(allocationLimitMiB);
}

const char* ImageConversion::formatOf(QByteArrayView bytes) {
    for (const Signature& s : signatures) {
        if (bytes.size() >= s.offset + s.magic.size() &&
            bytes.sliced(s.offset, s.magic.size()) == s.magic &&
            (std::strcmp(s.format, "webp") != 0 || bytes.startsWith("RIFF"))) {
            return s.format;
        }
    }
    return nullptr;
}

bool ImageConversion::acceptableSize(QSize size) {
    return size.width() > 0 && size.height() > 0 && size.width() <= maxSide &&
           size.height() <= maxSide && qint64(size.width()) * size.height() <= maxPixels;
}

bool ImageConversion::prepareReader(QImageReader& reader, QIODevice* device, QByteArrayView bytes,
                                    const char* format) {
    const char* known = formatOf(bytes);
    if (!known || (format && std::strcmp(format, known) != 0)) {
        return false;
    }
    reader.setAutoDetectImageFormat(false);
    reader.setDecideFormatFromContent(false);
    reader.setFormat(known);
    reader.setDevice(device);
    return acceptableSize(reader.size());
}

bool ImageConversion::fits(const QByteArray& bytes, const char* format) {
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly)) {
        return false;
    }
    QImageReader reader;
    return prepareReader(reader, &buffer, bytes, format);
}

std::optional<QImage> ImageConversion::decode(const QByteArray& bytes, const char* format) {
    QBuffer buffer;
    buffer.setData(bytes);
    if (bytes.isEmpty() || !buffer.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QImageReader reader;
    if (!prepareReader(reader, &buffer, bytes, format)) {
        return std::nullopt;
    }
    QImage image = reader.read();
    if (image.isNull()) {
        return std::nullopt;
    }
    return image;
}

std::optional<QByteArray> ImageConversion::firstImageTiff(
    const QStringList& types,
    const std::function<std::optional<QByteArray>(const QString&)>& bytes) {
    for (const QString& type : types) {
        if (!type.startsWith(QLatin1String("image/"))) {
            continue;
        }
        if (const auto data = bytes(type)) {
            if (const auto image = decode(*data)) {
                return toTiff(*image);
            }
        }
    }
    return std::nullopt;
}

std::optional<QByteArray> ImageConversion::toPng(const QImage& image) {
    return encode(image, "png");
}

std::optional<QByteArray> ImageConversion::toTiff(const QImage& image) {
    return encode(image, "tiff");
}
