#pragma once

#include "clipboard/ClipboardItem.h"
#include "store/PasteTransform.h"

#include <QAbstractButton>
#include <QPointer>
#include <functional>
#include <optional>

class AsyncThumbnails;
class Clock;
class IconChipButton;
class QAction;
class QMenu;
class TextLines;
class Theme;

// One slot: its number, a picture of its content and an actions menu. A click, Enter or Space
// runs `onTap`; the tile can be dragged (its payload is the slot number as text) and takes
// dropped text (`onDrop`, which says whether the drop was taken).
class SlotTile : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr int height = 120;
    // More than four lines of the widest tile take: the rest of a long text is never laid out.
    static constexpr qsizetype previewChars = 1200;

    SlotTile(int index, const Theme& theme, AsyncThumbnails& thumbnails, const Clock& clock,
             QWidget* parent = nullptr);

    void setContent(std::optional<ClipboardItem> item, bool pinned);
    int index() const { return m_index; }
    const std::optional<ClipboardItem>& item() const { return m_item; }
    bool isPinned() const { return m_pinned; }
    // Opens the actions menu, made now for the tile's content; none for an empty tile.
    QMenu* openActionsMenu();
    // The actions menu while it shows.
    QMenu* actionsMenu() const;
    IconChipButton* actionsButton() const { return m_actions; }
    // The border the tile draws now: colour and width.
    std::pair<QColor, double> border() const;

    std::function<void()> onTap;
    std::function<void(PasteTransform)> onTransform;
    std::function<void(int)> onMove;
    std::function<void()> onPin;
    std::function<void()> onDelete;
    std::function<bool(const QString&)> onDrop;

    QSize sizeHint() const override { return {150, height}; }

    // The text preview: its lines as drawn, its font and the area it may take.
    QStringList previewLines() const;
    static QFont previewFont();
    QRectF previewArea() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    TextLines previewText() const;
    void paintInline(QPainter& p, const QRectF& frame);
    void paintImage(QPainter& p, const QRectF& frame);
    void paintBadge(QPainter& p, QPointF at) const;
    QString relativeTime() const;
    QString thumbnailKey() const;
    void fillActions(QMenu& menu);
    void showPinned(QAction& pin) const;

    int m_index;
    const Theme& m_theme;
    AsyncThumbnails& m_thumbnails;
    const Clock& m_clock;
    std::optional<ClipboardItem> m_item;
    bool m_pinned = false;
    bool m_hover = false;
    QPoint m_pressAt;
    IconChipButton* m_actions;
    QPointer<QMenu> m_menu;
    QPointer<QAction> m_pin;
};
