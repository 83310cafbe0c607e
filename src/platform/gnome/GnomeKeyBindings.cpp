#include "GnomeKeyBindings.h"

#include "GVariantText.h"

#include <algorithm>
#include <optional>

namespace {

struct Chord {
    QStringList modifiers; // canonical names, sorted
    QString key;           // lower case
};

// "<Primary><Alt>t" as its modifiers and key; nothing for a text that is not an accelerator
// (an empty one, "disabled" spelt as a modifier, a path).
std::optional<Chord> chordOf(const QString& accelerator) {
    static const QList<std::pair<QString, QString>> spellings = {
        {QStringLiteral("control"), QStringLiteral("control")},
        {QStringLiteral("ctrl"), QStringLiteral("control")},
        {QStringLiteral("primary"), QStringLiteral("control")},
        {QStringLiteral("alt"), QStringLiteral("alt")},
        {QStringLiteral("mod1"), QStringLiteral("alt")},
        {QStringLiteral("shift"), QStringLiteral("shift")},
        {QStringLiteral("super"), QStringLiteral("super")},
        {QStringLiteral("mod4"), QStringLiteral("super")},
    };
    Chord out;
    qsizetype pos = 0;
    while (pos < accelerator.size() && accelerator.at(pos) == u'<') {
        const qsizetype end = accelerator.indexOf(u'>', pos);
        if (end < 0) {
            return std::nullopt;
        }
        const QString name = accelerator.mid(pos + 1, end - pos - 1).toLower();
        const auto known = std::find_if(spellings.begin(), spellings.end(),
                                        [&](const auto& s) { return s.first == name; });
        const QString canonical = known != spellings.end() ? known->second : name;
        if (!out.modifiers.contains(canonical)) {
            out.modifiers << canonical;
        }
        pos = end + 1;
    }
    out.key = accelerator.mid(pos).trimmed().toLower();
    if (out.key.isEmpty() || out.key.contains(u' ') || out.key.startsWith(u'/') ||
        (out.modifiers.isEmpty() && out.key == u"disabled")) {
        return std::nullopt;
    }
    out.modifiers.sort();
    return out;
}

bool isShortcutSchema(const QString& schema) {
    return schema.endsWith(QStringLiteral(".keybindings")) ||
           schema == u"org.gnome.settings-daemon.plugins.media-keys";
}

} // namespace

QList<GnomeKeyBindings::Binding> GnomeKeyBindings::parse(const QString& listing) {
    QList<Binding> out;
    int lines = 0;
    for (const QStringView line : QStringView(listing).split(u'\n')) {
        if (++lines > maxLines) {
            break;
        }
        const qsizetype first = line.indexOf(u' ');
        const qsizetype second = first < 0 ? -1 : line.indexOf(u' ', first + 1);
        if (second < 0 || !isShortcutSchema(line.left(first).toString())) {
            continue;
        }
        const QString value = line.mid(second + 1).trimmed().toString();
        Binding b{line.left(first).toString(),
                  line.mid(first + 1, second - first - 1).toString(),
                  {},
                  !value.startsWith(u'\'') && !value.startsWith(u'"')};
        const std::optional<QStringList> items =
            GVariantText::parseStringArray(b.array ? value : u'[' + value + u']');
        if (!items) {
            continue;
        }
        for (const QString& item : *items) {
            if (chordOf(item)) {
                b.accelerators << item;
            }
        }
        if (!b.accelerators.isEmpty()) {
            out << b;
        }
    }
    return out;
}

bool GnomeKeyBindings::sameChord(const QString& a, const QString& b) {
    const std::optional<Chord> x = chordOf(a);
    const std::optional<Chord> y = chordOf(b);
    return x && y && x->modifiers == y->modifiers && x->key == y->key;
}

QString GnomeKeyBindings::without(const Binding& binding, const QStringList& chords) {
    QStringList kept;
    for (const QString& a : binding.accelerators) {
        if (std::none_of(chords.begin(), chords.end(),
                         [&](const QString& c) { return sameChord(a, c); })) {
            kept << a;
        }
    }
    if (!binding.array) {
        return GVariantText::quoted(kept.value(0));
    }
    return GVariantText::stringArray(kept);
}
