#pragma once

#include <QString>
#include <QStringList>
#include <array>

// The twenty colour roles of one palette under one appearance, as hex strings without "#"
// (eight digits carry alpha last).
struct PaletteColors {
    QString window, surface, surfaceRaise, sidebar, label, secondaryLabel, tertiaryLabel, action,
        actionTop, actionGlint, brandSecondary, onAction, actionText, stroke, strokeStrong, divider,
        info, success, warning, error;

    static inline const QString defaultsKey = QStringLiteral("themePalette");
    // Palette names in order (index 0, 1, 2) and their titles.
    static const QStringList& names();
    static const QStringList& titles();
    static int indexOf(const QString& name); // unknown or empty: 0 (warmCream)

    static const PaletteColors& light(int palette);
    static const PaletteColors& dark(int palette);
};
