#include "KeyCodeMap.h"

#include <utility>

namespace {

// (virtual key code, Linux input event code)
constexpr std::pair<quint16, quint16> table[] = {
    {0, 30},    {1, 31},    {2, 32},    {3, 33},    {4, 35},    {5, 34},    {6, 44},    {7, 45},
    {8, 46},    {9, 47},    {11, 48},   {12, 16},   {13, 17},   {14, 18},   {15, 19},   {16, 21},
    {17, 20},   {18, 2},    {19, 3},    {20, 4},    {21, 5},    {22, 7},    {23, 6},    {24, 13},
    {25, 10},   {26, 8},    {27, 12},   {28, 9},    {29, 11},   {30, 27},   {31, 24},   {32, 22},
    {33, 26},   {34, 23},   {35, 25},   {36, 28},   {37, 38},   {38, 36},   {39, 40},   {40, 37},
    {41, 39},   {42, 43},   {43, 51},   {44, 53},   {45, 49},   {46, 50},   {47, 52},   {48, 15},
    {49, 57},   {50, 41},   {51, 14},   {53, 1},    {10, 86}, // 10: the ISO key left of Z
    {65, 83},   {67, 55},   {69, 78},   {71, 69},   {75, 98},   {76, 96},   {78, 74},   {81, 117},
    {82, 82},   {83, 79},   {84, 80},   {85, 81},   {86, 75},   {87, 76},   {88, 77},   {89, 71},
    {91, 72},   {92, 73},   {122, 59},  {120, 60},  {99, 61},   {118, 62},  {96, 63},   {97, 64},
    {98, 65},   {100, 66},  {101, 67},  {109, 68},  {103, 87},  {111, 88},  {105, 99},  {107, 70},
    {113, 119}, {114, 110}, {115, 102}, {116, 104}, {117, 111}, {119, 107}, {121, 109}, {123, 105},
    {124, 106}, {125, 108}, {126, 103}, {64, 183},  {79, 184},  {80, 185},  {90, 186},
};

constexpr int evdevOffset = 8;

} // namespace

std::optional<quint8> KeyCodeMap::toX11(quint16 virtualKeyCode) {
    for (const auto& [vk, evdev] : table) {
        if (vk == virtualKeyCode) {
            return static_cast<quint8>(evdev + evdevOffset);
        }
    }
    return std::nullopt;
}

std::optional<quint16> KeyCodeMap::fromX11(quint8 x11KeyCode) {
    for (const auto& [vk, evdev] : table) {
        if (evdev + evdevOffset == x11KeyCode) {
            return vk;
        }
    }
    return std::nullopt;
}
