#include "GVariantText.h"

namespace {

// Reads the string literal that starts at `pos` (at its opening quote) and moves `pos` past
// its closing quote.
std::optional<QString> readString(const QString& text, qsizetype& pos) {
    const QChar quote = text.at(pos);
    if (quote != u'\'' && quote != u'"') {
        return std::nullopt;
    }
    QString out;
    for (++pos; pos < text.size(); ++pos) {
        const QChar c = text.at(pos);
        if (c == quote) {
            ++pos;
            return out;
        }
        if (c != u'\\') {
            out += c;
            continue;
        }
        if (++pos >= text.size()) {
            return std::nullopt;
        }
        const QChar e = text.at(pos);
        const int hexDigits = e == u'u' ? 4 : e == u'U' ? 8 : 0;
        if (hexDigits > 0) {
            bool ok = false;
            const uint code = text.mid(pos + 1, hexDigits).toUInt(&ok, 16);
            if (!ok || pos + hexDigits >= text.size()) {
                return std::nullopt;
            }
            const char32_t point = code;
            out += QString::fromUcs4(&point, 1);
            pos += hexDigits;
            continue;
        }
        switch (e.unicode()) {
        case u'a':
            out += u'\a';
            break;
        case u'b':
            out += u'\b';
            break;
        case u'f':
            out += u'\f';
            break;
        case u'n':
            out += u'\n';
            break;
        case u'r':
            out += u'\r';
            break;
        case u't':
            out += u'\t';
            break;
        case u'v':
            out += u'\v';
            break;
        default: // \\, \', \" and anything else stand for themselves
            out += e;
            break;
        }
    }
    return std::nullopt; // no closing quote
}

void skipSpaces(const QString& text, qsizetype& pos) {
    while (pos < text.size() && text.at(pos).isSpace()) {
        ++pos;
    }
}

} // namespace

QString GVariantText::quoted(const QString& text) {
    QString out = QStringLiteral("'");
    for (const QChar c : text) {
        if (c == u'\\' || c == u'\'') {
            out += u'\\';
            out += c;
        } else if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
            out += QStringLiteral("\\u%1").arg(static_cast<uint>(c.unicode()), 4, 16,
                                               QLatin1Char('0'));
        } else {
            out += c;
        }
    }
    return out + u'\'';
}

QString GVariantText::stringArray(const QStringList& list) {
    if (list.isEmpty()) {
        return QStringLiteral("@as []");
    }
    QStringList items;
    for (const QString& s : list) {
        items << quoted(s);
    }
    return u'[' + items.join(QStringLiteral(", ")) + u']';
}

std::optional<QStringList> GVariantText::parseStringArray(const QString& text) {
    qsizetype pos = 0;
    skipSpaces(text, pos);
    if (text.mid(pos, 3) == u"@as") {
        pos += 3;
        skipSpaces(text, pos);
    }
    if (pos >= text.size() || text.at(pos) != u'[') {
        return std::nullopt;
    }
    ++pos;
    QStringList out;
    skipSpaces(text, pos);
    if (pos < text.size() && text.at(pos) == u']') {
        ++pos;
    } else {
        for (;;) {
            skipSpaces(text, pos);
            if (pos >= text.size()) {
                return std::nullopt;
            }
            const std::optional<QString> item = readString(text, pos);
            if (!item) {
                return std::nullopt;
            }
            out << *item;
            skipSpaces(text, pos);
            if (pos >= text.size()) {
                return std::nullopt;
            }
            const QChar next = text.at(pos++);
            if (next == u']') {
                break;
            }
            if (next != u',') {
                return std::nullopt;
            }
        }
    }
    skipSpaces(text, pos);
    if (pos != text.size()) {
        return std::nullopt;
    }
    return out;
}
