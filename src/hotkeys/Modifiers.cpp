#include "Modifiers.h"

#include "KeyboardConventions.h"

#include <QHashFunctions>
#include <QStringList>

QString Modifiers::display() const {
    return display(KeyboardConventions::current());
}

QString Modifiers::display(const KeyboardConventions& desktop) const {
    const auto& words = desktop.modifierWords;
    QStringList parts;
    const qint64 order[] = {control, option, shift, command};
    for (int i = 0; i < 4; ++i) {
        if (contains(order[i])) {
            parts << words[static_cast<std::size_t>(i)];
        }
    }
    return parts.join(QStringLiteral(" + "));
}

QString Modifiers::chord(const QString& key) const {
    return chord(key, KeyboardConventions::current());
}

QString Modifiers::chord(const QString& key, const KeyboardConventions& desktop) const {
    const QString d = display(desktop);
    return d.isEmpty() ? key : d + QStringLiteral(" + ") + key;
}

size_t qHash(Modifiers m, size_t seed) noexcept {
    return ::qHash(m.rawValue, seed);
}
