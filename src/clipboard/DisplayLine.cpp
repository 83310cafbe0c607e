#include "DisplayLine.h"

namespace {

enum class Treatment { Keep, Space, Picture, Replace, Drop };

Treatment treatmentOf(char16_t c) {
    if (c >= 0x20 && c < 0x7f) {
        return Treatment::Keep;
    }
    switch (c) {
    case u'\n':
    case u'\r':
    case u'\t':
    case u'\v':
    case u'\f':
    case 0x0085: // next line
    case 0x2028: // line separator
    case 0x2029: // paragraph separator
        return Treatment::Space;
    default:
        break;
    }
    if (c < 0x20 || c == 0x7f) {
        return Treatment::Picture;
    }
    if (c >= 0x80 && c <= 0x9f) {
        return Treatment::Replace;
    }
    // LRE, RLE, PDF, LRO, RLO and LRI, RLI, FSI, PDI.
    if ((c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069)) {
        return Treatment::Drop;
    }
    return Treatment::Keep;
}

} // namespace

bool DisplayLine::isDropped(QChar c) {
    return treatmentOf(c.unicode()) == Treatment::Drop;
}

QString DisplayLine::clean(QString text) {
    const qsizetype n = text.size();
    qsizetype first = 0;
    while (first < n && treatmentOf(text.at(first).unicode()) == Treatment::Keep) {
        ++first;
    }
    if (first == n) {
        return text; // the usual case: nothing to change, nothing copied
    }
    QChar* out = text.data();
    qsizetype w = first;
    for (qsizetype r = first; r < n; ++r) {
        const char16_t c = out[r].unicode();
        switch (treatmentOf(c)) {
        case Treatment::Keep:
            out[w++] = QChar(c);
            break;
        case Treatment::Space:
            out[w++] = QLatin1Char(' ');
            break;
        case Treatment::Picture:
            out[w++] = QChar(c == 0x7f ? char16_t{0x2421} : char16_t(0x2400 + c));
            break;
        case Treatment::Replace:
            out[w++] = QChar(0xfffd);
            break;
        case Treatment::Drop:
            break;
        }
    }
    text.truncate(w);
    return text;
}
