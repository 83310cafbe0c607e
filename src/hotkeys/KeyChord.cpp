#include "KeyChord.h"

#include "KeyNames.h"

#include <QHashFunctions>

QString KeyChord::display() const {
    return modifiers.chord(KeyNames::name(keyCode));
}

QString KeyChord::display(const KeyboardConventions& desktop) const {
    return modifiers.chord(KeyNames::name(keyCode), desktop);
}

size_t qHash(const KeyChord& c, size_t seed) noexcept {
    return qHashMulti(seed, c.keyCode, c.modifiers.rawValue);
}
