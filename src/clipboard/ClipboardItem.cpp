#include "ClipboardItem.h"

#include "BoundedTextPreview.h"
#include "DisplayLine.h"

#include <QFileInfo>
#include <algorithm>

namespace {

QString oneLine(QString s) {
    return DisplayLine::clean(std::move(s));
}

} // namespace

QString ClipboardItem::preview() const {
    switch (kind) {
    case ClipboardKind::Text:
    case ClipboardKind::RichText:
        // Cleaned, then trimmed in place: a text that needs neither is not copied.
        return text ? oneLine(*text).trimmed() : QString();
    case ClipboardKind::Image:
        return QStringLiteral("Image");
    case ClipboardKind::Files: {
        QStringList names;
        names.reserve(files.size());
        for (const QString& path : files) {
            names.append(QFileInfo(path).fileName());
        }
        return oneLine(names.join(QStringLiteral(", ")));
    }
    case ClipboardKind::Empty:
        break;
    }
    return QString();
}

bool ClipboardItem::sameContent(const ClipboardItem& other) const {
    // Cheap fields first: image bytes are compared (and possibly loaded) last.
    return kind == other.kind && text == other.text && rtf == other.rtf && html == other.html &&
           files == other.files && imagePNG == other.imagePNG;
}

ClipboardItem ClipboardItem::makeText(const QString& text, Instant createdAt) {
    ClipboardItem item;
    item.kind = ClipboardKind::Text;
    item.text = text;
    item.createdAt = createdAt;
    return item;
}

QString ClipboardItem::cutPreview(QStringView preview, qsizetype maxChars) {
    maxChars = std::max<qsizetype>(maxChars, 0);
    if (preview.size() <= maxChars) {
        return oneLine(preview.toString());
    }
    // A character outside the basic plane is kept whole or left out whole.
    qsizetype keep = maxChars;
    if (keep > 0 && preview[keep - 1].isHighSurrogate()) {
        --keep;
    }
    return oneLine(preview.left(keep).toString()) + QChar(0x2026);
}

QString ClipboardItem::boundedPreview(qsizetype maxChars) const {
    switch (kind) {
    case ClipboardKind::Text:
    case ClipboardKind::RichText: {
        BoundedTextPreview preview(maxChars);
        if (text) {
            preview.add(*text);
        }
        return preview.result();
    }
    case ClipboardKind::Files: {
        // Names are added only while the cut can still fall after them.
        QString names;
        for (qsizetype i = 0; i < files.size() && names.size() <= maxChars; ++i) {
            if (i > 0) {
                names += QStringLiteral(", ");
            }
            names += QFileInfo(files[i]).fileName();
        }
        return cutPreview(names, maxChars);
    }
    case ClipboardKind::Image:
    case ClipboardKind::Empty:
        break;
    }
    return cutPreview(preview(), maxChars);
}
