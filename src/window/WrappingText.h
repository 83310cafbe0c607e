#pragma once

#include "TextLines.h"

#include <QString>
#include <QWidget>
#include <optional>

// Plain text that wraps at word boundaries, and inside a word only when the word alone is
// wider than the line (a long path), so it never asks for more width than it is given. It
// can keep to a number of lines: whole lines only, the last one ending in "…" when text is
// left over. It is drawn in the palette's WindowText colour.
class WrappingText : public QWidget {
    Q_OBJECT
public:
    explicit WrappingText(QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);
    // At most this many lines; 0 (the default) shows them all.
    int maximumLines() const { return m_maxLines; }
    void setMaximumLines(int lines);
    // The lines as drawn at the current width (the last one elided when cut short).
    QStringList shownLines() const;
    int lineHeight() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The text laid out at `width`; the last layout is kept until the text, limit or font
    // changes (a resize asks for the height and then paints at the same width).
    const TextLines& linesAt(int width) const;
    void forgetLines();

    QString m_text;
    int m_maxLines = 0;
    mutable std::optional<TextLines> m_lines;
    mutable int m_linesWidth = -1;
};
