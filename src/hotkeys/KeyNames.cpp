#include "KeyNames.h"

#include "ChordRecognizer.h"

#include <QMap>

QString KeyNames::name(quint16 keyCode) {
    if (const auto d = digit(keyCode)) {
        return QString::number(*d);
    }
    static const QMap<quint16, QString> names{
        {0, "A"},       {1, "S"},   {2, "D"},      {3, "F"},       {4, "H"},    {5, "G"},
        {6, "Z"},       {7, "X"},   {8, "C"},      {9, "V"},       {11, "B"},   {12, "Q"},
        {13, "W"},      {14, "E"},  {15, "R"},     {16, "Y"},      {17, "T"},   {31, "O"},
        {32, "U"},      {34, "I"},  {35, "P"},     {37, "L"},      {38, "J"},   {40, "K"},
        {45, "N"},      {46, "M"},  {49, "Space"}, {36, "Return"}, {48, "Tab"}, {53, "Esc"},
        {51, "Delete"}, {123, "←"}, {124, "→"},    {125, "↓"},     {126, "↑"},
    };
    const auto it = names.constFind(keyCode);
    return it != names.constEnd() ? *it : QStringLiteral("key%1").arg(keyCode);
}

std::optional<int> KeyNames::digit(quint16 keyCode) {
    const auto& table = ChordRecognizer::digitByKeyCode();
    const auto it = table.constFind(keyCode);
    return it != table.constEnd() ? std::optional<int>(*it) : std::nullopt;
}

std::optional<quint16> KeyNames::keyCode(int digit) {
    return ChordRecognizer::keyCode(digit);
}
