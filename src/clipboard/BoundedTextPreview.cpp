#include "BoundedTextPreview.h"

#include "DisplayLine.h"

#include <algorithm>

BoundedTextPreview::BoundedTextPreview(qsizetype maxChars)
    : m_maxChars(std::max<qsizetype>(maxChars, 0)) {}

namespace {

// Blanks, and the characters a preview does not show: neither starts nor lengthens it.
bool isBlank(QChar c) {
    return c.isSpace() || DisplayLine::isDropped(c);
}

} // namespace

bool BoundedTextPreview::add(QStringView piece) {
    qsizetype i = 0;
    if (!m_started) {
        while (i < piece.size() && isBlank(piece[i])) {
            ++i;
        }
        m_started = i < piece.size();
    }
    // Taken cleaned, so that characters that are not shown do not count against the limit.
    while (i < piece.size() && m_kept.size() < m_maxChars) {
        const qsizetype take = std::min(piece.size() - i, m_maxChars - m_kept.size());
        m_kept.append(DisplayLine::clean(piece.sliced(i, take).toString()));
        i += take;
    }
    // Once the kept characters are complete, any character but a blank after them means
    // the trimmed text is longer, so it is cut; blanks alone would be trimmed away.
    for (; i < piece.size(); ++i) {
        if (!isBlank(piece[i])) {
            m_cut = true;
            return false;
        }
    }
    return true;
}

QString BoundedTextPreview::result() const {
    QString out;
    if (m_cut) {
        // A character outside the basic plane is kept whole or left out whole.
        qsizetype keep = m_maxChars;
        if (keep > 0 && m_kept[keep - 1].isHighSurrogate()) {
            --keep;
        }
        out = m_kept.left(keep) + QChar(0x2026);
    } else {
        qsizetype end = m_kept.size();
        while (end > 0 && m_kept[end - 1].isSpace()) {
            --end;
        }
        out = m_kept.left(end);
    }
    return out;
}
