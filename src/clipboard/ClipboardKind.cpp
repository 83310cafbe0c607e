#include "ClipboardKind.h"

QString rawValue(ClipboardKind kind) {
    switch (kind) {
    case ClipboardKind::Text:
        return QStringLiteral("text");
    case ClipboardKind::RichText:
        return QStringLiteral("richText");
    case ClipboardKind::Image:
        return QStringLiteral("image");
    case ClipboardKind::Files:
        return QStringLiteral("files");
    case ClipboardKind::Empty:
        break;
    }
    return QStringLiteral("empty");
}

std::optional<ClipboardKind> clipboardKindFromRaw(QStringView raw) {
    for (ClipboardKind k : {ClipboardKind::Text, ClipboardKind::RichText, ClipboardKind::Image,
                            ClipboardKind::Files, ClipboardKind::Empty}) {
        if (raw == rawValue(k)) {
            return k;
        }
    }
    return std::nullopt;
}
