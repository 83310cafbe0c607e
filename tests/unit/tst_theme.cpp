#include "TestEnv.h"
#include "core/UserDefaults.h"
#include "ui/BackgroundTexture.h"
#include "ui/PaletteColors.h"
#include "ui/Theme.h"

#include <QHash>
#include <QTest>

namespace {

// Every role of every palette: light warmCream, charcoal, bone, then dark in the same order.
const char* const paletteTable = R"(
window         F5F1EC FAFAFB F8F6F2 1F1F23 0E0E10 101010
surface        FBF7F0 FFFFFF FFFEFC 2A2A30 1A1A1C 1A1A1A
surfaceRaise   FFFDF8 FFFFFF FFFFFF 33333B 242428 242424
sidebar        EFEAE2 F2F2F4 F0EDE7 1A1A1E 0A0A0C 0A0A0A
label          201C16 16171A 1A1A1A F2EEE7 ECEDF0 F0EEEA
secondaryLabel 6B6258 5C5E66 5A5A5A B7AFA4 9B9DA6 A0A0A0
tertiaryLabel  9A9186 8E909A 8C8C8C 807A70 6A6C75 6E6E6E
action         3D6FB0 F2AE73 1E1E1E 4A78C4 F2B27E E8E6E2
actionTop      5586C2 F7C194 3A3A3A 5F8AD0 F8C79E CFCFCF
actionGlint    8FB4DE FCDAC0 6E6E6E 84A9DC FCDDC4 A0A0A0
brandSecondary 9478C9 EDA85F 5A5A5A A98FD6 EDA85F 9A9A9A
onAction       FFFFFF 3A2613 FFFFFF FFFFFF 2A1B0E 171717
actionText     3D6FB0 B05E1A 1E1E1E 6E97D6 F2B27E E8E6E2
stroke         0000000F 0000000F 0000000F FFFFFF1A FFFFFF1A FFFFFF1A
strokeStrong   00000024 00000024 00000024 FFFFFF2E FFFFFF2E FFFFFF2E
divider        00000017 00000017 00000017 FFFFFF1A FFFFFF1A FFFFFF1A
info           3D6FB0 3D6FB0 3D6FB0 4A78C4 4A78C4 4A78C4
success        3E9D6E 3E9D6E 3E9D6E 4FB783 4FB783 4FB783
warning        C9852B C9852B C9852B DDA044 DDA044 DDA044
error          C4503D C4503D C4503D DA6452 DA6452 DA6452
)";

const QHash<QString, QString PaletteColors::*> roles{
    {"window", &PaletteColors::window},
    {"surface", &PaletteColors::surface},
    {"surfaceRaise", &PaletteColors::surfaceRaise},
    {"sidebar", &PaletteColors::sidebar},
    {"label", &PaletteColors::label},
    {"secondaryLabel", &PaletteColors::secondaryLabel},
    {"tertiaryLabel", &PaletteColors::tertiaryLabel},
    {"action", &PaletteColors::action},
    {"actionTop", &PaletteColors::actionTop},
    {"actionGlint", &PaletteColors::actionGlint},
    {"brandSecondary", &PaletteColors::brandSecondary},
    {"onAction", &PaletteColors::onAction},
    {"actionText", &PaletteColors::actionText},
    {"stroke", &PaletteColors::stroke},
    {"strokeStrong", &PaletteColors::strokeStrong},
    {"divider", &PaletteColors::divider},
    {"info", &PaletteColors::info},
    {"success", &PaletteColors::success},
    {"warning", &PaletteColors::warning},
    {"error", &PaletteColors::error},
};

} // namespace

class ThemeTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyRoleOfEveryPaletteInBothAppearances() {
        int checked = 0;
        for (const QString& line :
             QString::fromLatin1(paletteTable).split('\n', Qt::SkipEmptyParts)) {
            const QStringList cells = line.split(' ', Qt::SkipEmptyParts);
            QCOMPARE(cells.size(), 7);
            QVERIFY2(roles.contains(cells[0]), qPrintable(cells[0]));
            const auto role = roles.value(cells[0]);
            for (int palette = 0; palette < 3; ++palette) {
                QCOMPARE(PaletteColors::light(palette).*role, cells[1 + palette]);
                QCOMPARE(PaletteColors::dark(palette).*role, cells[4 + palette]);
                checked += 2;
            }
        }
        QCOMPARE(checked, 20 * 3 * 2);
    }

    void palettesResolveWithFallbacks() {
        TestEnv env;
        UserDefaults defaults(env.path("s.ini"));
        bool desktopDark = false;
        Theme theme(defaults, [&] { return desktopDark; });
        QCOMPARE(theme.activePalette(), 0);
        QCOMPARE(theme.window(), Theme::hex("F5F1EC"));
        for (const char* name : {"", "Charcoal", "neon"}) {
            defaults.setString(PaletteColors::defaultsKey, name);
            QCOMPARE(theme.activePalette(), 0);
        }
        defaults.setString(PaletteColors::defaultsKey, "charcoal");
        QCOMPARE(theme.accent(), Theme::hex("F2AE73"));
        QCOMPARE(theme.actionForeground(), Theme::hex("3A2613"));
        // Read on every call: a change shows at once.
        defaults.setString(PaletteColors::defaultsKey, "bone");
        QCOMPARE(theme.accent(), Theme::hex("1E1E1E"));

        // Appearance: system follows the desktop; forced modes win; unknown reads as system.
        QCOMPARE(AppearanceModes::current(defaults), AppearanceMode::System);
        desktopDark = true;
        QCOMPARE(theme.window(), Theme::hex("101010"));
        defaults.setString(AppearanceModes::defaultsKey, "light");
        QCOMPARE(theme.window(), Theme::hex("F8F6F2"));
        defaults.setString(AppearanceModes::defaultsKey, "dark");
        desktopDark = false;
        QCOMPARE(theme.stroke(), Theme::hex("FFFFFF1A"));
        QCOMPARE(theme.success(), Theme::hex("4FB783"));
        defaults.setString(AppearanceModes::defaultsKey, "Dark");
        QCOMPARE(AppearanceModes::current(defaults), AppearanceMode::System);
        QCOMPARE(theme.stroke(), Theme::hex("0000000F"));

        QCOMPARE(PaletteColors::titles(), QStringList({"Warm Cream", "Charcoal", "Bone"}));
    }

    void hexParsing() {
        QCOMPARE(Theme::hex("3D6FB0"), QColor(0x3D, 0x6F, 0xB0));
        QCOMPARE(Theme::hex("#3D6FB0"), QColor(0x3D, 0x6F, 0xB0));
        QCOMPARE(Theme::hex("##3D6FB0#"), QColor(0x3D, 0x6F, 0xB0));
        const QColor white = Theme::hex("FFFFFF1A");
        QCOMPARE(white.rgb(), qRgb(255, 255, 255));
        QCOMPARE(white.alpha(), 26);
        // Seven characters: the low 24 bits as RRGGBB, opaque.
        QCOMPARE(Theme::hex("13D6FB0"), QColor(0x3D, 0x6F, 0xB0));
        QCOMPARE(Theme::hex("13D6FB0").alpha(), 255);
        QCOMPARE(Theme::hex("zzz"), QColor(0, 0, 0));
        QCOMPARE(Theme::hex(""), QColor(0, 0, 0));
        // "0x" is skipped by the scan but counts towards the eight characters of RRGGBBAA.
        QCOMPARE(Theme::hex("0x00FF00"), QColor(0, 0, 255, 0));
        QCOMPARE(Theme::hex("0x00FF"), QColor(0, 0, 255));
        QCOMPARE(Theme::hex("12g456"), QColor(0, 0, 0x12));
    }

    void textureIsDeterministic() {
        const auto a = BackgroundTexture::dots(QSizeF(800, 600));
        const auto b = BackgroundTexture::dots(QSizeF(800, 600));
        QCOMPARE(a.size(), 800);
        for (qsizetype i = 0; i < a.size(); ++i) {
            QCOMPARE(a[i].position, b[i].position);
            QCOMPARE(a[i].opacity, b[i].opacity);
            QVERIFY(a[i].position.x() >= 0 && a[i].position.x() < 800);
            QVERIFY(a[i].position.y() >= 0 && a[i].position.y() < 600);
            QVERIFY(a[i].opacity >= 0.02 && a[i].opacity < 0.04);
        }
        // The first dot by hand: xorshift from 0x9E3779B9.
        std::uint64_t s = 0x9E3779B9ULL;
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        QCOMPARE(a[0].position.x(), 800.0 * static_cast<double>(s % 10000) / 10000.0);
    }
};

QTEST_GUILESS_MAIN(ThemeTest)
#include "tst_theme.moc"
