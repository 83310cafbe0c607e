#pragma once

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QWidget>

// Renders `w` with its children and keeps the picture as ARTIFACTS_DIR/<name>.png.
inline QImage render(QWidget& w, const QString& name) {
    QImage img(w.size(), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    w.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    QDir().mkpath(QStringLiteral(ARTIFACTS_DIR));
    img.save(QStringLiteral(ARTIFACTS_DIR "/%1.png").arg(name));
    return img;
}

// The same once pending layouts have run, with no focus ring in the picture.
inline QImage renderUnfocused(QWidget& w, const QString& name) {
    QCoreApplication::processEvents();
    if (QWidget* focused = QApplication::focusWidget()) {
        focused->clearFocus();
    }
    return render(w, name);
}
