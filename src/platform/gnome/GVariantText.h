#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Strings and string arrays in GVariant's text form, as the gsettings command prints and
// parses values: 'text' with backslash escapes, ['a', 'b'], and @as [] for an empty array.
class GVariantText {
public:
    // `text` as a string literal in single quotes.
    static QString quoted(const QString& text);
    // `list` as an array of strings.
    static QString stringArray(const QStringList& list);
    // An array of strings as gsettings prints it; nothing when `text` is not one.
    static std::optional<QStringList> parseStringArray(const QString& text);
};
