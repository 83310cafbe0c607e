#include "TextLines.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>
#include <QTextOption>

namespace {

constexpr QChar ellipsis(0x2026);

// The characters of one laid-out line without the blanks and the line break that end it
// (blanks at a wrap hang past the line's end, unseen).
QString lineText(const QString& text, const QTextLine& line) {
    QString s = text.mid(line.textStart(), line.textLength());
    while (!s.isEmpty() && (s.back().isSpace() || s.back() == QChar::LineSeparator)) {
        s.chop(1);
    }
    return s;
}

// The last line kept when text is left over: the rest of its paragraph (up to the next line
// feed), cut to `width` and ending in "…".
QString lastLine(const QString& text, qsizetype start, const QFontMetrics& fm, int width) {
    const qsizetype feed = text.indexOf(QChar::LineSeparator, start);
    // More than fills a line of any width the window can take.
    constexpr qsizetype longest = 2000;
    QString s = text.mid(start, std::min(feed < 0 ? text.size() - start : feed - start, longest));
    s = fm.elidedText(s, Qt::ElideRight, width);
    const bool cut = s.endsWith(ellipsis);
    if (cut) {
        s.chop(1);
    }
    if (cut && (s.isEmpty() || !s.back().isSpace())) {
        return s + ellipsis;
    }
    // The paragraph fits (the ellipsis says that more lines follow), or was cut after a blank.
    const int room = width - fm.horizontalAdvance(ellipsis);
    while (!s.isEmpty() && (s.back().isSpace() || fm.horizontalAdvance(s) > room)) {
        s.chop(s.size() > 1 && s.back().isLowSurrogate() ? 2 : 1);
    }
    return s + ellipsis;
}

} // namespace

TextLines::TextLines(const QString& text, const QFont& font, int width, int maxLines)
    : m_font(font) {
    const QFontMetrics fm(font);
    m_lineHeight = fm.lineSpacing();
    m_ascent = fm.ascent();
    width = std::max(width, 1);

    QString laidOut = text;
    laidOut.replace(u'\n', QChar::LineSeparator);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    QTextLayout layout(laidOut, font);
    layout.setTextOption(option);
    layout.beginLayout();
    qsizetype lastStart = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (maxLines > 0 && m_lines.size() == maxLines) {
            // More text than lines: the last line kept says so.
            m_elided = true;
            m_lines.back() = lastLine(laidOut, lastStart, fm, width);
            break;
        }
        lastStart = line.textStart();
        m_lines.append(lineText(laidOut, line));
    }
    layout.endLayout();
}

void TextLines::draw(QPainter& painter, const QPointF& topLeft) const {
    painter.save();
    painter.setFont(m_font);
    for (int i = 0; i < m_lines.size(); ++i) {
        painter.drawText(QPointF(topLeft.x(), topLeft.y() + i * m_lineHeight + m_ascent),
                         m_lines[i]);
    }
    painter.restore();
}
