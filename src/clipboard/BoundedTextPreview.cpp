#include "BoundedTextPreview.h"

#include <algorithm>

BoundedTextPreview::BoundedTextPreview(qsizetype maxChars)
    : m_maxChars(std::max<qsizetype>(maxChars, 0)) {}

bool BoundedTextPreview::add(QStringView piece) {
    qsizetype i = 0;
    if (!m_started) {
        while (i < piece.size() && piece[i].isSpace()) {
            ++i;
        }
        m_started = i < piece.size();
    }
    const qsizetype take = std::min(piece.size() - i, m_maxChars - m_kept.size());
    m_kept.append(piece.sliced(i, take));
    i += take;
    // Once the kept characters are complete, any character but a blank after them means
    // the trimmed text is longer, so it is cut; blanks alone would be trimmed away.
    for (; i < piece.size(); ++i) {
        if (!piece[i].isSpace()) {
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
    return out.replace(QLatin1Char('\n'), QLatin1Char(' '));
}
