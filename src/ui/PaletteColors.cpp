#include "PaletteColors.h"

#include <algorithm>

namespace {

// The seven roles every palette shares, per appearance.
PaletteColors shared(bool dark, PaletteColors p) {
    p.stroke = dark ? "FFFFFF1A" : "0000000F";
    p.strokeStrong = dark ? "FFFFFF2E" : "00000024";
    p.divider = dark ? "FFFFFF1A" : "00000017";
    p.info = dark ? "4A78C4" : "3D6FB0";
    p.success = dark ? "4FB783" : "3E9D6E";
    p.warning = dark ? "DDA044" : "C9852B";
    p.error = dark ? "DA6452" : "C4503D";
    return p;
}

PaletteColors make(bool dark, const std::array<const char*, 13>& v) {
    PaletteColors p;
    p.window = v[0];
    p.surface = v[1];
    p.surfaceRaise = v[2];
    p.sidebar = v[3];
    p.label = v[4];
    p.secondaryLabel = v[5];
    p.tertiaryLabel = v[6];
    p.action = v[7];
    p.actionTop = v[8];
    p.actionGlint = v[9];
    p.brandSecondary = v[10];
    p.onAction = v[11];
    p.actionText = v[12];
    return shared(dark, p);
}

} // namespace

const QStringList& PaletteColors::names() {
    static const QStringList n{"warmCream", "charcoal", "bone"};
    return n;
}

const QStringList& PaletteColors::titles() {
    static const QStringList t{"Warm Cream", "Charcoal", "Bone"};
    return t;
}

int PaletteColors::indexOf(const QString& name) {
    const auto i = names().indexOf(name);
    return i < 0 ? 0 : static_cast<int>(i);
}

const PaletteColors& PaletteColors::light(int palette) {
    static const std::array<PaletteColors, 3> palettes{
        make(false, {"F5F1EC", "FBF7F0", "FFFDF8", "EFEAE2", "201C16", "6B6258", "9A9186", "3D6FB0",
                     "5586C2", "8FB4DE", "9478C9", "FFFFFF", "3D6FB0"}),
        make(false, {"FAFAFB", "FFFFFF", "FFFFFF", "F2F2F4", "16171A", "5C5E66", "8E909A", "F2AE73",
                     "F7C194", "FCDAC0", "EDA85F", "3A2613", "B05E1A"}),
        make(false, {"F8F6F2", "FFFEFC", "FFFFFF", "F0EDE7", "1A1A1A", "5A5A5A", "8C8C8C", "1E1E1E",
                     "3A3A3A", "6E6E6E", "5A5A5A", "FFFFFF", "1E1E1E"}),
    };
    return palettes[static_cast<std::size_t>(std::clamp(palette, 0, 2))];
}

const PaletteColors& PaletteColors::dark(int palette) {
    static const std::array<PaletteColors, 3> palettes{
        make(true, {"1F1F23", "2A2A30", "33333B", "1A1A1E", "F2EEE7", "B7AFA4", "807A70", "4A78C4",
                    "5F8AD0", "84A9DC", "A98FD6", "FFFFFF", "6E97D6"}),
        make(true, {"0E0E10", "1A1A1C", "242428", "0A0A0C", "ECEDF0", "9B9DA6", "6A6C75", "F2B27E",
                    "F8C79E", "FCDDC4", "EDA85F", "2A1B0E", "F2B27E"}),
        make(true, {"101010", "1A1A1A", "242424", "0A0A0A", "F0EEEA", "A0A0A0", "6E6E6E", "E8E6E2",
                    "CFCFCF", "A0A0A0", "9A9A9A", "171717", "E8E6E2"}),
    };
    return palettes[static_cast<std::size_t>(std::clamp(palette, 0, 2))];
}
