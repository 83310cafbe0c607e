#pragma once

#include <QColor>
#include <QPainterPath>
#include <optional>

class QPainter;
class Theme;

enum class GlassProminence { Soft, Prominent };

// The translucent material behind floating surfaces. With translucency (a compositor runs)
// the surface is Theme.surface partly transparent with the effective tint over it; without,
// it is solid Theme.surface.
class GlassSurface {
public:
    struct Style {
        std::optional<QColor> tint;
        GlassProminence prominence = GlassProminence::Soft;
        bool translucent = true;
    };
    static constexpr double materialOpacity = 0.86;

    static std::optional<QColor> effectiveTint(const Theme& theme, const Style& style);
    static void paint(QPainter& painter, const QPainterPath& shape, const Theme& theme,
                      const Style& style);
};
