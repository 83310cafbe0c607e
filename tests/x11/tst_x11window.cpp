// The main window of the real program under Xvfb with openbox: summoned by command and by
// chord over another application, switched by show-tab, a tile clicked and dragged with the
// mouse, held to its minimum size, closed without quitting, read and driven as a screen reader
// does (AT-SPI, on the suite's own session bus); screenshots of the Slots and History tabs in
// light and dark (build/tests/artifacts).
#include "AccessibleText.h"
#include "FakeKeyboard.h"
#include "StashwickSession.h"
#include "Xdotool.h"

#include <QBuffer>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QTest>

class X11WindowTest : public QObject {
    Q_OBJECT

    StashwickSession m_session;
    FakeKeyboard m_keyboard;
    std::unique_ptr<QProcess> m_app;

    static QString activeName() { return Xdotool::output({"getactivewindow", "getwindowname"}); }
    QString slotPreview(int n) {
        return m_session.dump()["slots"].toArray()[n].toObject()["preview"].toString();
    }
    // A point inside the tile of slot `n` (1-9 then 0 in five columns), in window coordinates
    // of the 960 x 680 window with the shortcuts on (no banner).
    static QPoint tileCentre(int n) {
        const int i = n == 0 ? 9 : n - 1;
        return {24 + 85 + (i % 5) * 185, 175 + (i / 5) * 132};
    }
    QString settingsFile() const { return m_session.homePath("config/Stashwick/Stashwick.conf"); }
    // The appearance (and the palette, where one is given) written to the settings file and
    // applied to the running program at once.
    bool setLooks(const char* mode, const char* palette = nullptr) {
        QSettings settings(settingsFile(), QSettings::IniFormat);
        settings.setValue("appearanceMode", mode);
        if (palette) {
            settings.setValue("themePalette", palette);
        }
        settings.sync();
        return m_session.stashwick({"stashwick://reload-hotkeys"}).exitCode == 0;
    }
    QImage shoot(const QString& name) {
        const QString file = QStringLiteral(ARTIFACTS_DIR "/%1.png").arg(name);
        QProcess::execute(SCREENSHOT, {file, Xdotool::window()});
        return QImage(file);
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_keyboard.start());
        m_session.extraEnv = {{"QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1"}};
        QVERIFY(m_session.startInstance());
        QVERIFY(
            QTest::qWaitFor([&] { return m_session.dump()["eventTapActive"].toBool(); }, 10000));
        QVERIFY(m_session.setClipboard("hello from xclip"));
        QCOMPARE(m_session.stashwick({"stashwick://capture-to-slot/1"}).exitCode, 0);
        QImage picture(320, 200, QImage::Format_RGB32);
        for (int y = 0; y < 200; ++y) {
            for (int x = 0; x < 320; ++x) {
                picture.setPixelColor(x, y, QColor((x * 3) % 256, (y * 5) % 256, 150));
            }
        }
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "PNG");
        QVERIFY(m_session.setClipboard(png, "image/png"));
        QCOMPARE(m_session.stashwick({"stashwick://capture-to-slot/2"}).exitCode, 0);
        QVERIFY(m_session.setClipboard("file:///home/u/report.pdf\r\nfile:///home/u/photos/\r\n",
                                       "text/uri-list"));
        QCOMPARE(m_session.stashwick({"stashwick://capture-to-slot/3"}).exitCode, 0);
        m_app = std::make_unique<QProcess>();
        m_app->start(QStringLiteral(TEXT_FIELD_APP), {"another application"});
        QByteArray out;
        QVERIFY(waitForLine(*m_app, out, "READY"));
    }

    void cleanupTestCase() {
        m_app->kill();
        m_app->waitForFinished();
        m_session.stopInstance();
    }

    void summonedByCommandAndByChordOverAnotherApplication() {
        QVERIFY(activeName() != u"Stashwick");
        QCOMPARE(m_session.stashwick({"stashwick://summon"}).exitCode, 0);
        QVERIFY(QTest::qWaitFor([&] { return activeName() == u"Stashwick"; }, 5000));
        QCOMPARE(shoot("x11-window-slots-light").size(), QSize(960, 680));

        QVERIFY(Xdotool::run({"search", "--name", "test field", "windowactivate", "--sync"}));
        QVERIFY(activeName() != u"Stashwick");
        QVERIFY(m_keyboard.chord({"Control_L", "Alt_L", "Super_L"}, "v"));
        QVERIFY(QTest::qWaitFor([&] { return activeName() == u"Stashwick"; }, 5000));
    }

    void showTabSwitchesTheOpenWindow() {
        const QImage slots = shoot("x11-window-slots-light");
        QCOMPARE(m_session.stashwick({"stashwick://show-tab/history"}).exitCode, 0);
        QCOMPARE(m_session.state()["mainTab"].toString(), QStringLiteral("history"));
        // The History tab shows its search field where the slot tiles were.
        QVERIFY(QTest::qWaitFor([&] { return shoot("x11-window-history-light") != slots; }, 3000));
        QCOMPARE(m_session.stashwick({"stashwick://show-tab/slots"}).exitCode, 0);
    }

    // A screen reader reads the tab bar as five named page tabs, the chosen one selected, and
    // the Light / Dark and Theme pickers as groups of radio buttons, the chosen one checked.
    // Right and Return typed into the window choose the next tab; a screen reader's Press on
    // Dark chooses it, and the rebuilt window says so.
    void aScreenReaderReadsTheTabsAndPickersAndChoosesWithThem() {
        using A = AccessibleText;
        A a11y;
        QString error;
        QVERIFY2(a11y.open(&error), qPrintable(error));
        std::optional<AccessibleRef> frame, tabs;
        QVERIFY2(QTest::qWaitFor(
                     [&] {
                         const auto app = a11y.application(QStringLiteral("stashwick"), 0);
                         frame = app ? a11y.find(*app,
                                                 [&](const AccessibleRef& r) {
                                                     return a11y.name(r) == u"Stashwick" &&
                                                            a11y.has(r, A::Showing);
                                                 })
                                     : std::nullopt;
                         tabs = frame ? a11y.findNamed(*frame, u"page tab list", u"Tabs")
                                      : std::nullopt;
                         return tabs.has_value();
                     },
                     20000),
                 "no tab bar in the window's accessible tree");
        QCOMPARE(a11y.childNames(*tabs),
                 QStringList({"page tab: Slots", "page tab: History", "page tab: Snippets",
                              "page tab: Stats", "page tab: Settings"}));
        QCOMPARE(a11y.childNames(*tabs, A::Selected), QStringList{"Slots"});
        QCOMPARE(a11y.childNames(*tabs, A::Selectable).size(), 5);

        // Tab until a page tab has the keyboard (each Tab lands before the next), Right, Return.
        const auto tabFocused = [&] { return a11y.childNames(*tabs, A::Focused); };
        for (int i = 0; i < 40 && !QTest::qWaitFor([&] { return !tabFocused().isEmpty(); }, 1500);
             ++i) {
            QVERIFY(Xdotool::run({"key", "Tab"}));
        }
        QCOMPARE(tabFocused(), QStringList{"Slots"});
        QVERIFY(Xdotool::run({"key", "Right", "Return"}));
        QTRY_COMPARE_WITH_TIMEOUT(a11y.childNames(*tabs, A::Selected), QStringList{"History"},
                                  5000);
        QCOMPARE(tabFocused(), QStringList{"History"});
        QCOMPARE(m_session.dump()["mainTab"].toString(), QStringLiteral("history"));

        QCOMPARE(m_session.stashwick({"stashwick://show-tab/settings"}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(a11y.childNames(*tabs, A::Selected), QStringList{"Settings"},
                                  5000);
        const auto picker = [&](QStringView name) {
            const auto panel = a11y.findNamed(*frame, u"panel", name);
            return panel ? panel : a11y.findNamed(*frame, u"grouping", name);
        };
        const auto looks = picker(u"Light / Dark"), theme = picker(u"Theme");
        QVERIFY(looks && theme);
        QCOMPARE(
            a11y.childNames(*looks),
            QStringList({"radio button: System", "radio button: Light", "radio button: Dark"}));
        QCOMPARE(a11y.childNames(*looks, A::Checked), QStringList{"System"});
        QCOMPARE(a11y.childNames(*theme),
                 QStringList(
                     {"radio button: Warm Cream", "radio button: Charcoal", "radio button: Bone"}));
        QCOMPARE(a11y.childNames(*theme, A::Checked), QStringList{"Warm Cream"});

        QVERIFY(a11y.doAction(a11y.children(*looks).value(2), u"Press"));
        QSettings settings(settingsFile(), QSettings::IniFormat);
        QVERIFY(QTest::qWaitFor(
            [&] {
                settings.sync();
                return settings.value("appearanceMode").toString() == u"dark";
            },
            5000));
        QVERIFY(QTest::qWaitFor(
            [&] {
                const auto rebuilt = picker(u"Light / Dark");
                return rebuilt && a11y.childNames(*rebuilt, A::Checked) == QStringList{"Dark"};
            },
            5000));
        QVERIFY(setLooks("system"));
        QCOMPARE(m_session.stashwick({"stashwick://show-tab/slots"}).exitCode, 0);
    }

    void aClickedTileIsOnTheClipboard() {
        QVERIFY(m_session.setClipboard("something else"));
        const QPoint at = tileCentre(1);
        QVERIFY(Xdotool::run({"mousemove", "--window", Xdotool::window(), QString::number(at.x()),
                              QString::number(at.y()), "click", "1"}));
        QTRY_COMPARE_WITH_TIMEOUT(m_session.clipboard(), QByteArray("hello from xclip"), 3000);
    }

    void aTileDraggedOntoAnotherMovesIt() {
        const QString w = Xdotool::window();
        const QPoint from = tileCentre(1), to = tileCentre(5);
        QVERIFY(Xdotool::run({"mousemove", "--window", w, QString::number(from.x()),
                              QString::number(from.y()), "mousedown", "1"}));
        for (int step = 1; step <= 10; ++step) {
            const QPoint p = from + (to - from) * step / 10;
            QVERIFY(Xdotool::run(
                {"mousemove", "--window", w, QString::number(p.x()), QString::number(p.y())}));
            QTest::qWait(30); // the drag follows the pointer through the event loop
        }
        QVERIFY(Xdotool::run({"mouseup", "1"}));
        QVERIFY(QTest::qWaitFor([&] { return slotPreview(5) == u"hello from xclip"; }, 3000));
        QVERIFY(slotPreview(1).isEmpty());
    }

    void theWindowKeepsItsMinimumSizeAndClosingKeepsTheProgram() {
        const QString w = Xdotool::window();
        QVERIFY(Xdotool::run({"windowsize", w, "300", "200"}));
        QString geometry;
        QVERIFY2(QTest::qWaitFor(
                     [&] {
                         geometry = Xdotool::output({"getwindowgeometry", w});
                         return geometry.contains("Geometry: 760x560");
                     },
                     3000),
                 qPrintable(geometry));
        QVERIFY(Xdotool::run({"windowsize", "--sync", w, "960", "680"}));

        // Dark, at once.
        QVERIFY(setLooks("dark"));
        QVERIFY(QTest::qWaitFor(
            [&] { return qGray(shoot("x11-window-slots-dark").pixel(8, 600)) < 60; }, 3000));
        const QImage darkSlots = shoot("x11-window-slots-dark");
        QCOMPARE(m_session.stashwick({"stashwick://show-tab/history"}).exitCode, 0);
        QVERIFY(
            QTest::qWaitFor([&] { return shoot("x11-window-history-dark") != darkSlots; }, 3000));
        QVERIFY(setLooks("system"));

        QVERIFY(Xdotool::run({"windowactivate", "--sync", Xdotool::window()}));
        QVERIFY(Xdotool::run({"key", "--clearmodifiers", "ctrl+w"}));
        QVERIFY(QTest::qWaitFor([&] { return Xdotool::window().isEmpty(); }, 3000));
        QCOMPARE(m_session.instance()->state(), QProcess::Running);
        QCOMPARE(m_session.stashwick({"stashwick://dump"}).exitCode, 0);
    }

    void settingsRecordAChordThatWorksAtOnceAndTurnDark() {
        QCOMPARE(m_session.stashwick({"stashwick://show-tab/settings"}).exitCode, 0);
        QVERIFY(QTest::qWaitFor([&] { return activeName() == u"Stashwick"; }, 5000));
        // The "Copy to slot" row's button, then Control+Shift held with 7.
        QVERIFY(
            Xdotool::run({"mousemove", "--window", Xdotool::window(), "824", "559", "click", "1"}));
        QVERIFY(m_keyboard.chord({"Control_L", "Shift_L"}, "7"));
        QVERIFY(QTest::qWaitFor(
            [&] {
                return m_session.dump()["hotkeys"].toObject()["copy"].toString() ==
                       u"Control + Shift + N";
            },
            3000));

        // "Dark" turns the open window dark at once.
        QVERIFY(
            Xdotool::run({"mousemove", "--window", Xdotool::window(), "285", "367", "click", "1"}));
        QVERIFY(QTest::qWaitFor(
            [&] { return qGray(shoot("x11-window-settings-dark").pixel(8, 600)) < 60; }, 3000));
        QVERIFY(Xdotool::run(
            {"mousemove", "--window", Xdotool::window(), "96", "367", "click", "1"})); // System

        // The new chord copies; the old one reaches the application.
        QProcess app;
        app.start(QStringLiteral(TEXT_FIELD_APP), {"recorded chord"});
        QByteArray out;
        QVERIFY(waitForLine(app, out, "READY"));
        QVERIFY(m_keyboard.chord({"Control_L", "Shift_L"}, "3"));
        QVERIFY(QTest::qWaitFor([&] { return slotPreview(3) == u"recorded chord"; }, 3000));
        QVERIFY(m_keyboard.chord({"Control_L", "Alt_L"}, "3"));
        QVERIFY(waitForLine(app, out, "KEY ctrl+alt 3", 3000));
        app.kill();
        app.waitForFinished();
    }

    void screenshotsOfTheOtherTabs() {
        QImage previous;
        for (const auto& [palette, mode] :
             {std::pair{"warmCream", "light"}, std::pair{"charcoal", "dark"}}) {
            QVERIFY(setLooks(mode, palette));
            for (const char* tab : {"snippets", "stats", "settings"}) {
                QCOMPARE(
                    m_session.stashwick({QStringLiteral("stashwick://show-tab/") + tab}).exitCode,
                    0);
                const QString name = QStringLiteral("x11-window-%1-%2-%3").arg(tab, mode, palette);
                QVERIFY(QTest::qWaitFor(
                    [&] {
                        const QImage shot = shoot(name);
                        const bool changed = shot != previous;
                        previous = shot;
                        return changed;
                    },
                    3000));
            }
        }
        QVERIFY(setLooks("system", "warmCream"));
    }
};

QTEST_GUILESS_MAIN(X11WindowTest)
#include "tst_x11window.moc"
