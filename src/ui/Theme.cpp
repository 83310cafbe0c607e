#include "Theme.h"

#include "core/UserDefaults.h"

#include <QGuiApplication>
#include <QPalette>

Theme::Theme(const UserDefaults& defaults, std::function<bool()> desktopIsDark)
    : m_defaults(defaults), m_desktopIsDark(std::move(desktopIsDark)) {}

int Theme::activePalette() const {
    return PaletteColors::indexOf(
        m_defaults.string(PaletteColors::defaultsKey).value_or(QString()));
}

bool Theme::isDark() const {
    switch (AppearanceModes::current(m_defaults)) {
    case AppearanceMode::Light:
        return false;
    case AppearanceMode::Dark:
        return true;
    case AppearanceMode::System:
        break;
    }
    return m_desktopIsDark && m_desktopIsDark();
}

const PaletteColors& Theme::colors() const {
    const int p = activePalette();
    return isDark() ? PaletteColors::dark(p) : PaletteColors::light(p);
}

QColor Theme::hex(const QString& text) {
    QString t = text;
    while (t.startsWith(QLatin1Char('#'))) {
        t.remove(0, 1);
    }
    while (t.endsWith(QLatin1Char('#'))) {
        t.chop(1);
    }
    // Scan like strtoull: an optional "0x", then leading hex digits; the first other
    // character ends the scan.
    quint64 value = 0;
    const QString digits = t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? t.mid(2) : t;
    for (QChar c : digits) {
        const int d = QStringLiteral("0123456789abcdef").indexOf(c.toLower());
        if (d < 0 || c.unicode() > 0x7F) {
            break;
        }
        value = (value << 4) | static_cast<quint64>(d);
    }
    if (t.size() == 8) {
        return QColor::fromRgb(
            static_cast<int>((value >> 24) & 0xFF), static_cast<int>((value >> 16) & 0xFF),
            static_cast<int>((value >> 8) & 0xFF), static_cast<int>(value & 0xFF));
    }
    return QColor::fromRgb(static_cast<int>((value >> 16) & 0xFF),
                           static_cast<int>((value >> 8) & 0xFF), static_cast<int>(value & 0xFF));
}

bool Theme::desktopPaletteIsDark() {
    if (!qGuiApp) {
        return false;
    }
    return QGuiApplication::palette().color(QPalette::Window).lightness() < 128;
}
