#pragma once

#include <QHashFunctions>
#include <QString>

// One finding about a hotkey configuration: a chord and what it collides with.
struct HotkeyConflict {
    QString chord;
    QString collidesWith;

    friend bool operator==(const HotkeyConflict&, const HotkeyConflict&) = default;
};

inline size_t qHash(const HotkeyConflict& c, size_t seed = 0) noexcept {
    return qHashMulti(seed, c.chord, c.collidesWith);
}
