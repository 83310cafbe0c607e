// Renders the program's SVG icon to square PNGs for the hicolor icon theme at build time.
// Usage: stashwick_render_icon ICON.svg OUT_DIR SIZE...
// writes OUT_DIR/<size>x<size>/apps/<name of ICON>.png for every size.
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fputs("usage: stashwick_render_icon ICON.svg OUT_DIR SIZE...\n", stderr);
        return 2;
    }
    const QString source = QString::fromLocal8Bit(argv[1]);
    QSvgRenderer renderer(source);
    if (!renderer.isValid()) {
        std::fprintf(stderr, "stashwick_render_icon: %s is not a usable SVG file\n", argv[1]);
        return 1;
    }
    const QString name = QFileInfo(source).completeBaseName() + QStringLiteral(".png");
    for (int i = 3; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&ok);
        if (!ok || size < 1 || size > 4096) {
            std::fprintf(stderr, "stashwick_render_icon: bad size %s\n", argv[i]);
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            renderer.render(&painter, QRectF(0, 0, size, size));
        }
        const QString dir =
            QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[2])).arg(size);
        const QString out = dir + QLatin1Char('/') + name;
        if (!QDir().mkpath(dir) || !image.save(out, "PNG")) {
            std::fprintf(stderr, "stashwick_render_icon: cannot write %s\n", qPrintable(out));
            return 1;
        }
    }
    return 0;
}
