#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// Which flavour of a clipboard content leads. `Empty` is only the starting kind of an item
// while it is being read; the codec never hands out an item of that kind.
enum class ClipboardKind { Text, RichText, Image, Files, Empty };

QString rawValue(ClipboardKind kind);
std::optional<ClipboardKind> clipboardKindFromRaw(QStringView raw);
