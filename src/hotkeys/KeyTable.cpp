#include "KeyTable.h"

#include <utility>

namespace {

struct Key {
    quint16 code;
    quint16 input;
    const char* xkb;
};

// The F13–F15 positions of a full Apple keyboard are Print, Scroll Lock and Pause on a PC;
// 10 is the ISO key left of Z.
constexpr Key keys[] = {
    {0, 30, "a"},
    {1, 31, "s"},
    {2, 32, "d"},
    {3, 33, "f"},
    {4, 35, "h"},
    {5, 34, "g"},
    {6, 44, "z"},
    {7, 45, "x"},
    {8, 46, "c"},
    {9, 47, "v"},
    {10, 86, "less"},
    {11, 48, "b"},
    {12, 16, "q"},
    {13, 17, "w"},
    {14, 18, "e"},
    {15, 19, "r"},
    {16, 21, "y"},
    {17, 20, "t"},
    {18, 2, "1"},
    {19, 3, "2"},
    {20, 4, "3"},
    {21, 5, "4"},
    {22, 7, "6"},
    {23, 6, "5"},
    {24, 13, "equal"},
    {25, 10, "9"},
    {26, 8, "7"},
    {27, 12, "minus"},
    {28, 9, "8"},
    {29, 11, "0"},
    {30, 27, "bracketright"},
    {31, 24, "o"},
    {32, 22, "u"},
    {33, 26, "bracketleft"},
    {34, 23, "i"},
    {35, 25, "p"},
    {36, 28, "Return"},
    {37, 38, "l"},
    {38, 36, "j"},
    {39, 40, "apostrophe"},
    {40, 37, "k"},
    {41, 39, "semicolon"},
    {42, 43, "backslash"},
    {43, 51, "comma"},
    {44, 53, "slash"},
    {45, 49, "n"},
    {46, 50, "m"},
    {47, 52, "period"},
    {48, 15, "Tab"},
    {49, 57, "space"},
    {50, 41, "grave"},
    {51, 14, "BackSpace"},
    {53, 1, "Escape"},
    {65, 83, "KP_Decimal"},
    {67, 55, "KP_Multiply"},
    {69, 78, "KP_Add"},
    {71, 69, "Num_Lock"},
    {75, 98, "KP_Divide"},
    {76, 96, "KP_Enter"},
    {78, 74, "KP_Subtract"},
    {81, 117, "KP_Equal"},
    {82, 82, "KP_0"},
    {83, 79, "KP_1"},
    {84, 80, "KP_2"},
    {85, 81, "KP_3"},
    {86, 75, "KP_4"},
    {87, 76, "KP_5"},
    {88, 77, "KP_6"},
    {89, 71, "KP_7"},
    {91, 72, "KP_8"},
    {92, 73, "KP_9"},
    {122, 59, "F1"},
    {120, 60, "F2"},
    {99, 61, "F3"},
    {118, 62, "F4"},
    {96, 63, "F5"},
    {97, 64, "F6"},
    {98, 65, "F7"},
    {100, 66, "F8"},
    {101, 67, "F9"},
    {109, 68, "F10"},
    {103, 87, "F11"},
    {111, 88, "F12"},
    {105, 99, "Print"},
    {107, 70, "Scroll_Lock"},
    {113, 119, "Pause"},
    {64, 183, "F13"},
    {79, 184, "F14"},
    {80, 185, "F15"},
    {90, 186, "F16"},
    {114, 110, "Insert"},
    {115, 102, "Home"},
    {116, 104, "Page_Up"},
    {117, 111, "Delete"},
    {119, 107, "End"},
    {121, 109, "Page_Down"},
    {123, 105, "Left"},
    {124, 106, "Right"},
    {125, 108, "Down"},
    {126, 103, "Up"},
};

// Other names xkbcommon gives the same keys.
constexpr std::pair<const char*, const char*> aliases[] = {
    {"Prior", "Page_Up"},
    {"Next", "Page_Down"},
    {"KP_Separator", "KP_Decimal"},
};

const Key* withCode(quint16 keyCode) {
    for (const Key& k : keys) {
        if (k.code == keyCode) {
            return &k;
        }
    }
    return nullptr;
}

} // namespace

std::optional<quint16> KeyTable::inputCode(quint16 keyCode) {
    const Key* k = withCode(keyCode);
    return k ? std::optional<quint16>(k->input) : std::nullopt;
}

std::optional<quint16> KeyTable::keyCodeOfInput(quint16 inputCode) {
    for (const Key& k : keys) {
        if (k.input == inputCode) {
            return k.code;
        }
    }
    return std::nullopt;
}

std::optional<QString> KeyTable::xkbName(quint16 keyCode) {
    const Key* k = withCode(keyCode);
    return k ? std::optional<QString>(QString::fromLatin1(k->xkb)) : std::nullopt;
}

std::optional<quint16> KeyTable::keyCodeNamed(const QString& xkbName) {
    if (xkbName.isEmpty()) {
        return std::nullopt;
    }
    QString name = xkbName;
    for (const auto& [alias, canonical] : aliases) {
        if (name == QLatin1String(alias)) {
            name = QString::fromLatin1(canonical);
        }
    }
    if (name.size() == 1 && name.front().isLetter()) {
        name = name.toLower();
    }
    for (const Key& k : keys) {
        if (name == QLatin1String(k.xkb)) {
            return k.code;
        }
    }
    return std::nullopt;
}
