#pragma once

#include <QByteArray>
#include <QWidget>

class Theme;
class Thumbnailer;

// An image item's picture, filling or fitting its frame, clipped to a rounded rectangle; the
// "photo" symbol on Theme.surface when the bytes do not decode. Pictures come from the shared
// thumbnail cache, so the same bytes are decoded once.
class ClipboardThumbnail : public QWidget {
    Q_OBJECT
public:
    enum class ContentMode { Fill, Fit };

    ClipboardThumbnail(const Theme& theme, Thumbnailer& thumbnails, QWidget* parent = nullptr);

    void setData(const QByteArray& data);
    void setContentMode(ContentMode mode);
    void setCorner(double radius);

    // Draws the thumbnail of `data` into `frame`.
    static void paint(QPainter& painter, const QRectF& frame, const QByteArray& data,
                      ContentMode mode, double corner, const Theme& theme, Thumbnailer& thumbnails);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Theme& m_theme;
    Thumbnailer& m_thumbnails;
    QByteArray m_data;
    ContentMode m_mode = ContentMode::Fill;
    double m_corner = 8;
};
