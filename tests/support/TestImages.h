#pragma once

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QtEndian>

// Encoded test pictures.
class TestImages {
public:
    static QImage pattern(int w, int h) {
        QImage img(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                img.setPixel(x, y, qRgb((x * 7) & 0xFF, (y * 13) & 0xFF, ((x + y) * 3) & 0xFF));
            }
        }
        return img;
    }
    static QByteArray
    encode(const QImage& img, const char* format,
           QImageIOHandler::Transformations t = QImageIOHandler::TransformationNone) {
        QByteArray out;
        QBuffer buf(&out);
        buf.open(QIODevice::WriteOnly);
        QImageWriter w(&buf, format);
        w.setTransformation(t);
        w.write(img);
        return out;
    }
    static QByteArray png(int w, int h) { return encode(pattern(w, h), "png"); }

    // A PNG written by hand, for what Qt's writer never produces: 2- and 4-bit palettes, grey
    // with alpha, 16-bit grey, or a header far larger than the pixels that follow. Every one
    // of the `h` scanlines is `row` (without its filter byte); `palette` is RGB triples.
    static QByteArray handPng(quint32 w, quint32 h, int depth, int colourType,
                              const QByteArray& row, const QByteArray& palette = {}) {
        QByteArray header(13, '\0');
        qToBigEndian(w, header.data());
        qToBigEndian(h, header.data() + 4);
        header[8] = static_cast<char>(depth);
        header[9] = static_cast<char>(colourType);
        const QByteArray raw = QByteArray('\0' + row).repeated(h);
        const QByteArray zlib = qCompress(raw).mid(4); // qCompress puts a length first
        QByteArray png("\x89PNG\r\n\x1a\n", 8);
        png += pngChunk("IHDR", header);
        if (!palette.isEmpty()) {
            png += pngChunk("PLTE", palette);
        }
        return png + pngChunk("IDAT", zlib) + pngChunk("IEND", {});
    }

private:
    // A PNG chunk with its CRC-32 (over type and data).
    static QByteArray pngChunk(const char* type, const QByteArray& data) {
        const QByteArray body = QByteArray(type, 4) + data;
        quint32 crc = 0xFFFFFFFFu;
        for (const char ch : body) {
            crc ^= static_cast<quint8>(ch);
            for (int k = 0; k < 8; ++k) {
                crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
            }
        }
        QByteArray out(4, '\0');
        qToBigEndian(static_cast<quint32>(data.size()), out.data());
        QByteArray tail(4, '\0');
        qToBigEndian(~crc, tail.data());
        return out + body + tail;
    }
};
