#include "PasteTransform.h"

#include <QTextBoundaryFinder>

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

} // namespace

QString PasteTransforms::titlecase(const QString& text) {
    // Words as Unicode's word boundaries find them: an apostrophe between letters stays inside
    // the word ("it's"), as the desktop's own capitalisation does. Qt breaks at a dot between
    // letters, which Unicode does not ("example.com"), so a word right after "<word>." goes
    // on the word before. Spaces and punctuation pass through unchanged.
    QString out;
    out.reserve(text.size());
    QTextBoundaryFinder words(QTextBoundaryFinder::Word, text);
    qsizetype start = 0;
    bool previousWasWord = false;
    bool continuesWord = false;
    while (start < text.size()) {
        const bool isWord = (words.boundaryReasons() & QTextBoundaryFinder::StartOfItem) != 0;
        qsizetype end = words.toNextBoundary();
        if (end < 0) {
            end = text.size();
        }
        const QString segment = text.mid(start, end - start);
        if (!isWord) {
            out += segment;
            continuesWord = previousWasWord && segment == u"." && end < text.size();
        } else if (continuesWord) {
            out += segment.toLower();
            continuesWord = false;
        } else {
            const qsizetype first = segment.size() > 1 && segment[0].isHighSurrogate() ? 2 : 1;
            out += titleOf(static_cast<char32_t>(segment.left(first).toUcs4().value(0)));
            out += segment.mid(first).toLower();
        }
        previousWasWord = isWord;
        start = end;
    }
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
