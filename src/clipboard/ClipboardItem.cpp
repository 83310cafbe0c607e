#include "ClipboardItem.h"

#include <QFileInfo>

QString ClipboardItem::preview() const {
    switch (kind) {
    case ClipboardKind::Text:
    case ClipboardKind::RichText:
        return text.value_or(QString()).trimmed().replace(QLatin1Char('\n'), QLatin1Char(' '));
    case ClipboardKind::Image:
        return QStringLiteral("Image");
    case ClipboardKind::Files: {
        QStringList names;
        names.reserve(files.size());
        for (const QString& path : files) {
            names.append(QFileInfo(path).fileName());
        }
        return names.join(QStringLiteral(", "));
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
