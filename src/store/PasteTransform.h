#pragma once

#include "clipboard/ClipboardItem.h"

#include <QString>
#include <array>
#include <optional>

// How a slot's item is reshaped on its way to the clipboard. Every transform but `None`
// delivers plain text; images, files and rich text without plain text pass unchanged.
enum class PasteTransform { None, Plain, Lowercased, Uppercased, Titlecased, Trimmed };

class PasteTransforms {
public:
    static constexpr std::array<PasteTransform, 6> all{
        PasteTransform::None,       PasteTransform::Plain,      PasteTransform::Lowercased,
        PasteTransform::Uppercased, PasteTransform::Titlecased, PasteTransform::Trimmed};

    static QString rawValue(PasteTransform t);
    static std::optional<PasteTransform> fromRaw(const QString& raw);
    // The title the slot menu shows.
    static QString title(PasteTransform t);
    static ClipboardItem apply(PasteTransform t, const ClipboardItem& item);
    // Each word's first character in title case, the rest in lower case; words end at
    // whitespace and punctuation.
    static QString titlecase(const QString& text);
};
