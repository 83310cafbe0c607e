#pragma once

#include <QString>
#include <QtGlobal>
#include <initializer_list>

class KeyboardConventions;

// A set of modifier keys as a bit set. Any raw value is kept as it is, bits outside the four
// known ones included; two sets are equal exactly when their raw values are.
struct Modifiers {
    static constexpr qint64 command = 1; // Super on Linux
    static constexpr qint64 shift = 2;
    static constexpr qint64 control = 4;
    static constexpr qint64 option = 8; // Alt on Linux

    qint64 rawValue = 0;

    constexpr Modifiers() = default;
    constexpr explicit Modifiers(qint64 raw) : rawValue(raw) {}
    static constexpr Modifiers of(std::initializer_list<qint64> members) {
        qint64 raw = 0;
        for (qint64 m : members) {
            raw |= m;
        }
        return Modifiers(raw);
    }

    constexpr bool contains(qint64 member) const { return (rawValue & member) == member; }
    constexpr bool isEmpty() const { return rawValue == 0; }
    constexpr Modifiers united(Modifiers o) const { return Modifiers(rawValue | o.rawValue); }
    constexpr Modifiers intersected(Modifiers o) const { return Modifiers(rawValue & o.rawValue); }
    constexpr Modifiers inserting(qint64 member) const { return Modifiers(rawValue | member); }
    constexpr Modifiers removing(qint64 member) const { return Modifiers(rawValue & ~member); }
    friend constexpr bool operator==(Modifiers, Modifiers) = default;

    // The members in the order Control, Option, Shift, Command, in this desktop's words
    // ("Control + Alt"), joined by " + "; other bits are ignored.
    QString display() const;
    QString display(const KeyboardConventions& desktop) const;
    // This set held with `key`: "Control + Alt + N", or `key` alone for the empty set.
    QString chord(const QString& key) const;
    QString chord(const QString& key, const KeyboardConventions& desktop) const;
};

size_t qHash(Modifiers m, size_t seed = 0) noexcept;
