#pragma once

#include "clipboard/ClipboardItem.h"

#include <QWidget>

class AsyncThumbnails;
class Theme;

// A 30 x 30 mark for a history entry: the picture of an image (made off the main thread, the
// image symbol until it is ready), else the symbol of the item's kind.
class KindMark : public QWidget {
    Q_OBJECT
public:
    KindMark(const Theme& theme, AsyncThumbnails& thumbnails, QWidget* parent = nullptr);
    // `key` names the image for the thumbnail cache.
    void setItem(const ClipboardItem& item, const QString& key);
    QSize sizeHint() const override { return {30, 30}; }
    static QString symbol(ClipboardKind kind);
    // What a row shows for an item: its preview, or the kind's raw name ("text", "richText",
    // …) when the preview holds nothing but blanks.
    static QString shownPreview(const QString& preview, ClipboardKind kind);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Theme& m_theme;
    AsyncThumbnails& m_thumbnails;
    ClipboardItem m_item;
    QString m_key;
};
