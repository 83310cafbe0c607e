#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// Display names of keys by virtual key code, and the digit keys of the main row.
class KeyNames {
public:
    // "1" for a digit key, the table's name ("Return", "V", "←"), else "key" + code.
    static QString name(quint16 keyCode);
    // The digit of a main-row digit key (keypad digits are not digit keys).
    static std::optional<int> digit(quint16 keyCode);
    static std::optional<quint16> keyCode(int digit);
};
