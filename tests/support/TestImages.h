#pragma once

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

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
};
