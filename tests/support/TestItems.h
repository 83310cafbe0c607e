#pragma once

#include "clipboard/ClipboardItem.h"

#include <QStringList>
#include <optional>

// Clipboard items of each kind, as the suites build them.
namespace TestItems {

inline ClipboardItem of(ClipboardKind kind, std::optional<QString> text = std::nullopt,
                        QStringList files = {}) {
    ClipboardItem item;
    item.kind = kind;
    item.text = std::move(text);
    item.files = std::move(files);
    return item;
}

inline ClipboardItem files(const QStringList& paths) {
    return of(ClipboardKind::Files, std::nullopt, paths);
}

inline ClipboardItem image(const QByteArray& png, std::optional<QString> caption = std::nullopt) {
    ClipboardItem item = of(ClipboardKind::Image, std::move(caption));
    item.imagePNG = Blob(png);
    return item;
}

inline ClipboardItem rich(const QString& text, const QString& html, std::optional<QByteArray> rtf) {
    ClipboardItem item = ClipboardItem::makeText(text);
    item.kind = ClipboardKind::RichText;
    item.html = html;
    item.rtf = std::move(rtf);
    return item;
}

// An item's text for comparing: "<empty>" for no item, "<no text>" for one without text.
inline QString textOf(const std::optional<ClipboardItem>& item) {
    return item ? item->text.value_or(QStringLiteral("<no text>")) : QStringLiteral("<empty>");
}

} // namespace TestItems
