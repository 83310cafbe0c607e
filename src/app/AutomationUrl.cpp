#include "AutomationUrl.h"

#include <QStringDecoder>
#include <limits>

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Percent-decodes and checks that the result is UTF-8 without control characters (an
// argument may hold tabs and line breaks: snippet bodies span lines).
std::optional<QString> decode(QByteArrayView raw, bool allowLineBreaks) {
    QByteArray bytes;
    bytes.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '%') {
            if (i + 2 >= raw.size()) {
                return std::nullopt;
            }
            const int hi = hexValue(raw[i + 1]);
            const int lo = hexValue(raw[i + 2]);
            if (hi < 0 || lo < 0) {
                return std::nullopt;
            }
            bytes.append(static_cast<char>(hi * 16 + lo));
            i += 2;
        } else {
            bytes.append(c);
        }
    }
    // A leading byte-order mark is kept: dropping it would turn "%EF%BB%BFdump" into "dump".
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        return std::nullopt;
    }
    for (QChar ch : text) {
        const char16_t u = ch.unicode();
        const bool lineBreak = u == u'\n' || u == u'\r' || u == u'\t';
        if ((u < 0x20 && !(allowLineBreaks && lineBreak)) || u == 0x7F) {
            return std::nullopt;
        }
    }
    return text;
}

} // namespace

std::optional<AutomationUrl> AutomationUrl::parse(const QByteArray& url) {
    if (url.size() > maxLength || !url.startsWith("stashwick:")) {
        return std::nullopt;
    }
    for (char c : url) {
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) {
            return std::nullopt; // spaces and control characters must be escaped
        }
    }
    QByteArray rest = url.mid(10);
    // The query and fragment carry no meaning here.
    for (char stop : {'?', '#'}) {
        const qsizetype at = rest.indexOf(stop);
        if (at >= 0) {
            rest.truncate(at);
        }
    }
    QByteArray host;
    QByteArray path = rest;
    if (rest.startsWith("//")) {
        const QByteArray authority = rest.mid(2);
        const qsizetype slash = authority.indexOf('/');
        host = slash >= 0 ? authority.left(slash) : authority;
        path = slash >= 0 ? authority.mid(slash) : QByteArray();
    }
    const auto action = decode(host, false);
    if (!action) {
        return std::nullopt;
    }
    AutomationUrl out;
    out.m_action = *action;
    for (const QByteArray& component : path.split('/')) {
        if (component.isEmpty()) {
            continue;
        }
        const auto arg = decode(component, true);
        if (!arg) {
            return std::nullopt;
        }
        out.m_args.append(*arg);
    }
    return out;
}

QString AutomationUrl::refusal(const QByteArray& url) {
    if (url.size() > maxLength) {
        return QStringLiteral("URL longer than %1 bytes").arg(maxLength);
    }
    if (!url.startsWith("stashwick:")) {
        return QStringLiteral("not a stashwick: URL");
    }
    return QStringLiteral("malformed URL (bad escape, control character or invalid UTF-8)");
}

std::optional<qint64> AutomationUrl::parseInteger(const QString& s) {
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        negative = s[i] == u'-';
        ++i;
    }
    if (i >= s.size()) {
        return std::nullopt;
    }
    // Accumulate as a negative number so that the minimum value fits.
    qint64 value = 0;
    for (; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        const int digit = c - u'0';
        if (value < (std::numeric_limits<qint64>::min() + digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == std::numeric_limits<qint64>::min()) {
            return std::nullopt;
        }
        value = -value;
    }
    return value;
}

QList<qint64> AutomationUrl::intArgs() const {
    QList<qint64> out;
    for (const QString& a : m_args) {
        if (const auto v = parseInteger(a)) {
            out.append(*v);
        }
    }
    return out;
}

PasteTransform AutomationUrl::transformArg() const {
    for (const QString& a : m_args) {
        if (!parseInteger(a)) {
            return PasteTransforms::fromRaw(a).value_or(PasteTransform::None);
        }
    }
    return PasteTransform::None;
}
