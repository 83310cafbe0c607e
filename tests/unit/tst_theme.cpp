#include "TestEnv.h"
#include "core/UserDefaults.h"
#include "ui/BackgroundTexture.h"
#include "ui/Theme.h"

#include <QTest>

class ThemeTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
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

        // Every role of every palette is a valid colour in both appearances.
        for (int p = 0; p < 3; ++p) {
            for (const PaletteColors* c : {&PaletteColors::light(p), &PaletteColors::dark(p)}) {
                for (const QString& v :
                     {c->window,     c->surface,        c->surfaceRaise,   c->sidebar,
                      c->label,      c->secondaryLabel, c->tertiaryLabel,  c->action,
                      c->actionTop,  c->actionGlint,    c->brandSecondary, c->onAction,
                      c->actionText, c->stroke,         c->strokeStrong,   c->divider,
                      c->info,       c->success,        c->warning,        c->error}) {
                    QVERIFY(v.size() == 6 || v.size() == 8);
                }
            }
        }
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
