#include "PasteTransform.h"

QString PasteTransforms::rawValue(PasteTransform t) {
    switch (t) {
    case PasteTransform::None:
        return QStringLiteral("none");
    case PasteTransform::Plain:
        return QStringLiteral("plain");
    case PasteTransform::Lowercased:
        return QStringLiteral("lowercased");
    case PasteTransform::Uppercased:
        return QStringLiteral("uppercased");
    case PasteTransform::Titlecased:
        return QStringLiteral("titlecased");
    case PasteTransform::Trimmed:
        break;
    }
    return QStringLiteral("trimmed");
}

std::optional<PasteTransform> PasteTransforms::fromRaw(const QString& raw) {
    for (PasteTransform t : all) {
        if (rawValue(t) == raw) {
            return t;
        }
    }
    return std::nullopt;
}

QString PasteTransforms::title(PasteTransform t) {
    switch (t) {
    case PasteTransform::None:
        return QStringLiteral("Original");
    case PasteTransform::Plain:
        return QStringLiteral("Plain text");
    case PasteTransform::Lowercased:
        return QStringLiteral("lowercase");
    case PasteTransform::Uppercased:
        return QStringLiteral("UPPERCASE");
    case PasteTransform::Titlecased:
        return QStringLiteral("Title Case");
    case PasteTransform::Trimmed:
        break;
    }
    return QStringLiteral("Trimmed");
}

namespace {

// Full title-case mapping of one code point: the simple title mapping where Unicode has
// one (ǆ -> ǅ), otherwise the full upper-case mapping with all but its first character in
// lower case (ß -> Ss, ﬁ -> Fi).
QString titleOf(char32_t cp) {
    const char32_t simple = QChar::toTitleCase(cp);
    if (simple != cp) {
        return QString::fromUcs4(&simple, 1);
    }
    const QString upper = QString::fromUcs4(&cp, 1).toUpper();
    const qsizetype firstLength = upper.size() > 1 && upper[0].isHighSurrogate() ? 2 : 1;
    return upper.left(firstLength) + upper.mid(firstLength).toLower();
}

bool isWordBreak(char32_t cp) {
    return QChar::isSpace(cp) || QChar::isPunct(cp);
}

} // namespace

QString PasteTransforms::titlecase(const QString& text) {
    QString out;
    out.reserve(text.size());
    QString word; // the rest of the current word, lower-cased when it ends
    bool atStart = true;
    const QList<uint> points = text.toUcs4();
    for (uint u : points) {
        const auto cp = static_cast<char32_t>(u);
        if (isWordBreak(cp)) {
            out += word.toLower();
            word.clear();
            out += QString::fromUcs4(&cp, 1);
            atStart = true;
        } else if (atStart) {
            out += titleOf(cp);
            atStart = false;
        } else {
            word += QString::fromUcs4(&cp, 1);
        }
    }
    out += word.toLower();
    return out;
}

ClipboardItem PasteTransforms::apply(PasteTransform t, const ClipboardItem& item) {
    if (t == PasteTransform::None ||
        (item.kind != ClipboardKind::Text && item.kind != ClipboardKind::RichText) || !item.text) {
        return item;
    }
    const QString& text = *item.text;
    ClipboardItem out;
    out.kind = ClipboardKind::Text;
    out.createdAt = item.createdAt;
    out.sourceBundleID = item.sourceBundleID;
    switch (t) {
    case PasteTransform::None:
    case PasteTransform::Plain:
        out.text = text;
        break;
    case PasteTransform::Lowercased:
        out.text = text.toLower();
        break;
    case PasteTransform::Uppercased:
        out.text = text.toUpper();
        break;
    case PasteTransform::Titlecased:
        out.text = titlecase(text);
        break;
    case PasteTransform::Trimmed:
        out.text = text.trimmed();
        break;
    }
    return out;
}
