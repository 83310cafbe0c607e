#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <algorithm>

class QPainter;
class QPointF;

// Text laid out in lines of a given width: wrapped at word boundaries, and inside a word only
// when the word alone is wider than the line (a long URL or path); a line feed starts a new
// line. With a line limit only that many whole lines are kept, and when text is left over
// the last of them ends in "…". Nothing is ever wider than the width it is given.
class TextLines {
public:
    // `maxLines` 0 keeps every line.
    TextLines(const QString& text, const QFont& font, int width, int maxLines = 0);

    const QStringList& lines() const { return m_lines; }
    int lineCount() const { return static_cast<int>(m_lines.size()); }
    // Every line takes the same height, so the text's height is a whole number of lines.
    int lineHeight() const { return m_lineHeight; }
    int height() const { return std::max(lineCount(), 1) * m_lineHeight; }
    bool elided() const { return m_elided; }

    // Draws the lines from `topLeft` down, in the painter's pen.
    void draw(QPainter& painter, const QPointF& topLeft) const;

private:
    QFont m_font;
    QStringList m_lines;
    int m_lineHeight = 0;
    int m_ascent = 0;
    bool m_elided = false;
};
