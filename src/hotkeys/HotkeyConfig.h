#pragma once

#include "HotkeyConflict.h"
#include "KeyChord.h"
#include "KeyboardConventions.h"

#include <QByteArray>
#include <QList>
#include <optional>

class UserDefaults;

// The user's chords: modifiers that copy into slot N with digit N, modifiers that paste
// slot N, and the chord that opens the main window. Stored as compact JSON under
// "hotkeyConfig"; anything unusable there reads as the defaults as a whole.
struct HotkeyConfig {
    Modifiers copyModifiers{Modifiers::control | Modifiers::option};
    Modifiers pasteModifiers{Modifiers::control | Modifiers::command};
    KeyChord summon{9, Modifiers(Modifiers::control | Modifiers::option | Modifiers::command)};

    friend bool operator==(const HotkeyConfig&, const HotkeyConfig&) = default;

    static inline const QString defaultsKey = QStringLiteral("hotkeyConfig");

    static HotkeyConfig defaults() { return HotkeyConfig(); }
    static HotkeyConfig load(const UserDefaults& defaults);
    void save(UserDefaults& defaults) const;

    QByteArray toJson() const;
    static std::optional<HotkeyConfig> fromJson(const QByteArray& json);

    // "Control + Alt + N" for the slot chords.
    QString copyChordText() const { return copyModifiers.chord(QStringLiteral("N")); }
    QString pasteChordText() const { return pasteModifiers.chord(QStringLiteral("N")); }

    // Warnings, in order: copy chords and paste chords that a desktop shortcut reserves,
    // the summon chord likewise, copy and paste sharing one chord, and then each chord in
    // `heldElsewhere` (chords another program holds, as the running event tap found).
    QList<HotkeyConflict>
    conflicts(const QList<KeyChord>& heldElsewhere = {},
              const KeyboardConventions& desktop = KeyboardConventions::current()) const;
    static std::optional<QString>
    reservedSystemShortcut(const KeyStroke& stroke,
                           const KeyboardConventions& desktop = KeyboardConventions::current());

    static inline const QString heldElsewhereText =
        QStringLiteral("Already taken by another program");
};

size_t qHash(const HotkeyConfig& c, size_t seed = 0) noexcept;
