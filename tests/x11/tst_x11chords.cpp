// Global chords in a real session: Xvfb with openbox, the real program, a real application
// with a focused text field, and a second keyboard device standing for the user's hands
// (not the XTEST device the program presses keys with).
#include "ChordScenario.h"
#include "FakeKeyboard.h"
#include "StashwickSession.h"
#include "Xdotool.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

class X11ChordsTest : public QObject, private ScenarioDesk {
    Q_OBJECT

    StashwickSession m_session;
    FakeKeyboard m_keyboard;
    std::unique_ptr<QProcess> m_app, m_grabber;
    QByteArray m_appOutput;
    QString m_appText; // the text the application started with
    ChordScenario m_scenario{*this};

    int stashwick(const QStringList& args) { return m_session.stashwick(args).exitCode; }
    // The preview of the history's newest entry.
    QString newestInHistory() {
        return dump()["history"].toArray()[0].toObject()["preview"].toString();
    }

    bool waitForSlot(int n, const QString& text, int ms = 3000) {
        return QTest::qWaitFor([&] { return m_scenario.slotPreview(n) == text; }, ms);
    }

    // A fresh application with the text field in front, its text all selected.
    bool startApp(const QString& text, const QString& resourceName = QString(),
                  const QString& geometry = QString(), std::optional<int> pasteDelayMs = {}) {
        stopApp();
        m_app = std::make_unique<QProcess>();
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        if (!resourceName.isEmpty()) {
            e.insert("RESOURCE_NAME", resourceName);
        }
        if (pasteDelayMs) {
            e.insert("PASTE_DELAY_MS", QString::number(*pasteDelayMs));
        }
        m_app->setProcessEnvironment(e);
        m_appOutput.clear();
        m_appText = text;
        m_app->start(QStringLiteral(TEXT_FIELD_APP), {text, geometry});
        return waitForLine(*m_app, m_appOutput, "READY");
    }
    void stopApp() {
        if (m_app) {
            m_app->kill();
            m_app->waitForFinished();
            m_app.reset();
        }
    }
    QByteArray appOutput() {
        if (m_app) {
            m_appOutput += m_app->readAllStandardOutput();
        }
        return m_appOutput;
    }

    // A real terminal in front running `cat > out` (then writing `done`, which an interrupt
    // would make it do early), with `word` typed into it and selected by a double click. The
    // line is not edited (stty -icanon): cat gets each key and each paste as it lands, so the
    // test can see a paste arrive before it types on.
    struct Terminal {
        std::unique_ptr<QProcess> process;
        QString out, done;
        QByteArray output() const {
            QFile f(out);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }
    };
    // `textRow` is where the first row of text sits, counted from the window's top edge.
    std::optional<Terminal> startTerminal(const QString& program, const QString& cls,
                                          const QStringList& options, int textRow,
                                          const QByteArray& word) {
        stopApp();
        Terminal t;
        t.out = m_session.homePath(cls + ".out");
        t.done = m_session.homePath(cls + ".done");
        QFile::remove(t.out);
        QFile::remove(t.done);
        t.process = std::make_unique<QProcess>();
        t.process->start(
            program,
            options + QStringList{
                          "-e", QStringLiteral(
                                    "sh -c 'stty -icanon min 1 time 0; cat > %1; echo ended > %2'")
                                    .arg(t.out, t.done)});
        QString window;
        if (!QTest::qWaitFor(
                [&] {
                    window = Xdotool::output({"search", "--onlyvisible", "--class", cls})
                                 .split('\n')
                                 .first();
                    return !window.isEmpty();
                },
                10000) ||
            !Xdotool::run({"windowactivate", "--sync", window})) {
            return std::nullopt;
        }
        for (char c : word) {
            m_keyboard.send(QByteArray("tap ") + c);
        }
        m_keyboard.send("tap Return");
        if (!QTest::qWaitFor([&] { return t.output() == word + '\n'; }, 5000)) {
            qWarning("%s: typed text did not reach cat: %s", qPrintable(cls),
                     t.output().constData());
            return std::nullopt;
        }
        Xdotool::run({"mousemove", "--window", window, "20", QString::number(textRow), "click",
                      "--repeat", "2", "--delay", "100", "1"});
        if (!QTest::qWaitFor([&] { return primary() == word; }, 3000)) {
            qWarning("%s: the double click selected \"%s\"", qPrintable(cls),
                     primary().constData());
            return std::nullopt;
        }
        return t;
    }
    static QByteArray primary() {
        QProcess p;
        p.start("xclip", {"-o", "-selection", "primary", "-t", "UTF8_STRING"});
        p.waitForFinished(3000);
        return p.readAllStandardOutput();
    }

    // The scenario's session: the chords are the program's own grabs, pressed on the user's
    // keyboard; the clipboard is xclip's, and the entry the test's text field.
    QJsonObject dump() override { return m_session.dump(); }
    bool run(const QString& url) override { return m_session.ok(url); }
    bool setClipboard(const QByteArray& text) override { return m_session.setClipboard(text); }
    QByteArray clipboard() override { return m_session.clipboard(); }
    bool pressChord(ScenarioDesk::Chord kind, int slot) override {
        return m_keyboard.chord(
            {"Control_L", kind == ScenarioDesk::Chord::Copy ? "Alt_L" : "Super_L"},
            QByteArray::number(slot));
    }
    bool openEntry(const QString& text) override { return startApp(text); }
    bool pressEnd() override { return m_keyboard.send("tap End"); }
    // The field's last "TEXT" line, or the text it started with.
    QString entryText() override {
        QString text = m_appText;
        for (const QByteArray& line : appOutput().split('\n')) {
            if (line.startsWith("TEXT ")) {
                text = QString::fromUtf8(line.mid(5));
            }
        }
        return text;
    }
    QString closeEntry() override {
        const QString text = entryText();
        stopApp();
        return text;
    }

private Q_SLOTS:
    void initTestCase() {
        // Another program holds Control+Alt+7 before we start.
        m_grabber = std::make_unique<QProcess>();
        m_grabber->start(QStringLiteral(KEY_GRABBER), {"7"});
        QByteArray out;
        QVERIFY(waitForLine(*m_grabber, out, "ready"));

        QVERIFY(m_keyboard.start());

        QVERIFY(m_session.startInstance());
        QVERIFY(QTest::qWaitFor([&] { return dump()["eventTapActive"].toBool(); }, 10000));
    }

    void cleanupTestCase() {
        stopApp();
        m_session.stopInstance();
        if (m_grabber) {
            m_grabber->terminate();
            if (!m_grabber->waitForFinished(3000)) {
                m_grabber->kill();
                m_grabber->waitForFinished();
            }
        }
    }

    void copyChordFillsTheSlotAlsoWithLocksOn() {
        QVERIFY(startApp("first selection"));
        QVERIFY(m_keyboard.send("down Control_L"));
        QVERIFY(m_keyboard.send("down Alt_L"));
        QElapsedTimer t;
        t.start();
        QVERIFY(m_keyboard.send("tap 3")); // press and release of the chord key
        const qint64 released = t.elapsed();
        QVERIFY(waitForSlot(3, "first selection"));
        qInfo("copy chord: slot filled %lld ms after the chord key went down, %lld ms after its "
              "release (one state dump of about 3 ms included)",
              static_cast<long long>(t.elapsed()), static_cast<long long>(t.elapsed() - released));
        QVERIFY(m_keyboard.send("up Alt_L"));
        QVERIFY(m_keyboard.send("up Control_L"));
        const QJsonObject s = dump();
        QCOMPARE(s["totalCopies"].toInt(), 1);
        QCOMPARE(s["history"].toArray()[0].toObject()["preview"].toString(),
                 QStringLiteral("first selection"));
        // The application saw Control+C alone: the chord's Alt was not down for it.
        QVERIFY2(appOutput().contains("KEY ctrl C\n"), appOutput().constData());
        QVERIFY(!appOutput().contains("KEY ctrl+alt C"));

        QVERIFY(startApp("with caps lock"));
        QVERIFY(m_keyboard.send("tap Caps_Lock"));
        QVERIFY(m_keyboard.chord({"Control_L", "Alt_L"}, "3"));
        QVERIFY(waitForSlot(3, "with caps lock"));
        QVERIFY(m_keyboard.send("tap Caps_Lock"));

        QVERIFY(startApp("with num lock"));
        QVERIFY(m_keyboard.send("tap Num_Lock"));
        QVERIFY(m_keyboard.chord({"Control_L", "Alt_L"}, "3"));
        QVERIFY(waitForSlot(3, "with num lock"));
        QVERIFY(m_keyboard.send("tap Num_Lock"));
        QCOMPARE(dump()["totalCopies"].toInt(), 3);
    }

    void holdingTheModifiersAndTappingTwoDigits() {
        QVERIFY(startApp("twice"));
        QVERIFY(m_keyboard.send("down Control_L"));
        QVERIFY(m_keyboard.send("down Alt_L"));
        QVERIFY(m_keyboard.send("tap 3"));
        QVERIFY(waitForSlot(3, "twice"));
        QVERIFY(m_keyboard.send("tap 4"));
        QVERIFY(m_keyboard.send("up Alt_L"));
        QVERIFY(m_keyboard.send("up Control_L"));
        QVERIFY(waitForSlot(4, "twice"));
        // No digit was typed into the field.
        QVERIFY2(!appOutput().contains("TEXT "), appOutput().constData());
    }

    void plainKeysRightAfterAChordCarryNoModifiers() {
        // Released one after the other, then a plain key.
        QVERIFY(startApp("one by one"));
        QVERIFY(m_keyboard.send("down Control_L"));
        QVERIFY(m_keyboard.send("down Alt_L"));
        QVERIFY(m_keyboard.send("tap 4"));
        QVERIFY(waitForSlot(4, "one by one"));
        QVERIFY(m_keyboard.send("up Alt_L"));
        QVERIFY(m_keyboard.send("up Control_L"));
        QVERIFY(m_keyboard.send("tap a"));
        QVERIFY2(waitForLine(*m_app, m_appOutput, "KEY none A", 3000), m_appOutput.constData());
        // The modifiers pressed again for the user on the XTEST device are let go there too,
        // or the server would ignore the next program's press of them (xdotool, on-screen
        // keyboards).
        QVERIFY(QTest::qWaitFor([&] { return m_keyboard.xtestKeysHeld() == 0; }, 2000));

        // Released in the same instant as the plain key goes down (one write, no waiting).
        QVERIFY(startApp("at once"));
        QVERIFY(m_keyboard.send("down Control_L"));
        QVERIFY(m_keyboard.send("down Alt_L"));
        QVERIFY(m_keyboard.send("tap 4"));
        QVERIFY(waitForSlot(4, "at once"));
        QVERIFY(m_keyboard.sendAtOnce({"up Alt_L", "up Control_L", "tap b"}));
        QVERIFY2(waitForLine(*m_app, m_appOutput, "KEY none B", 3000), m_appOutput.constData());
        QVERIFY(QTest::qWaitFor([&] { return m_keyboard.xtestKeysHeld() == 0; }, 2000));
    }

    void copyChordFillsTheSlotFromAQtEntry() { m_scenario.copyChordFillsTheSlot(20); }
    // Each paste reaches the application as Control+V alone.
    void pasteChordInsertsAtTheCursorAndRestores() {
        m_scenario.pasteChordPutsTheSlotAtTheCursor(20);
        if (!QTest::currentTestFailed()) {
            QCOMPARE(m_appOutput.count("KEY ctrl V\n"), 20);
        }
    }
    void aCopyChordRightAfterAPasteCopiesTheSelection() {
        m_scenario.copyChordOnce(8, QStringLiteral("copied after a paste"));
    }

    // A busy application that reads the clipboard late still pastes the slot; the user's
    // clipboard is back once it has read it. Nothing reads the clipboard meanwhile: a read by
    // the test would count as the application's.
    void aLateReaderGetsTheSlotAndThenTheUserHisClipboard_data() {
        QTest::addColumn<int>("delayMs");
        QTest::newRow("700 ms") << 700;
        QTest::newRow("1.5 s") << 1500;
    }
    void aLateReaderGetsTheSlotAndThenTheUserHisClipboard() {
        QFETCH(int, delayMs);
        QVERIFY(setClipboard("PASTED"));
        QCOMPARE(stashwick({"stashwick://capture-to-slot/5"}), 0);
        QVERIFY(setClipboard("the user's clipboard"));
        QVERIFY(startApp("abc", QString(), QString(), delayMs));
        QVERIFY(m_keyboard.send("tap End"));
        // The history tells when the user's clipboard is back (the program's own writes are
        // recorded like any other): reading the clipboard would count as the application's read.
        QTRY_COMPARE_WITH_TIMEOUT(newestInHistory(), QStringLiteral("the user's clipboard"), 3000);
        QElapsedTimer t;
        t.start();
        QVERIFY(m_keyboard.chord({"Control_L", "Super_L"}, "5"));
        QVERIFY2(waitForLine(*m_app, m_appOutput, "READING", 5000), m_appOutput.constData());
        const qint64 read = t.elapsed();
        QVERIFY2(waitForLine(*m_app, m_appOutput, "TEXT abcPASTED", 3000), m_appOutput.constData());
        QTRY_COMPARE_WITH_TIMEOUT(newestInHistory(), QStringLiteral("PASTED"), 3000);
        QTRY_COMPARE_WITH_TIMEOUT(newestInHistory(), QStringLiteral("the user's clipboard"), 3000);
        const qint64 back = t.elapsed();
        QCOMPARE(clipboard(), QByteArray("the user's clipboard"));
        qInfo("read %lld ms after the chord; the user's clipboard back %lld ms after it",
              static_cast<long long>(read), static_cast<long long>(back));
    }

    void aChordWithAnExtraModifierReachesTheApplication() {
        const QString before = m_scenario.slotPreview(3);
        QVERIFY(startApp("extra"));
        QVERIFY(m_keyboard.chord({"Control_L", "Alt_L", "Shift_L"}, "3"));
        QVERIFY(QTest::qWaitFor([&] { return appOutput().contains("KEY ctrl+shift+alt "); }, 3000));
        QCOMPARE(m_scenario.slotPreview(3), before);
    }

    void aChordHeldByAnotherProgramIsReported() {
        const QJsonArray conflicts = dump()["hotkeys"].toObject()["conflicts"].toArray();
        QCOMPARE(conflicts.size(), 1);
        QCOMPARE(conflicts[0].toObject()["chord"].toString(), QStringLiteral("Control + Alt + 7"));
        QCOMPARE(conflicts[0].toObject()["collidesWith"].toString(),
                 QStringLiteral("Already taken by another program"));
        QCOMPARE(m_session.instance()->state(), QProcess::Running);
        QVERIFY(startApp("the rest still work"));
        QVERIFY(m_keyboard.chord({"Control_L", "Alt_L"}, "8"));
        QVERIFY(waitForSlot(8, "the rest still work"));
    }

    void chordsFollowTheKeyUnderAnotherLayoutGroup() {
        QCOMPARE(QProcess::execute("setxkbmap", {"-layout", "us,ru"}), 0);
        QVERIFY(m_keyboard.send("lockgroup 1"));
        QVERIFY(startApp("second group"));
        QVERIFY(m_keyboard.send("lockgroup 1"));
        QVERIFY(m_keyboard.chord({"Control_L", "Alt_L"}, "2"));
        QVERIFY(waitForSlot(2, "second group"));
        QVERIFY(m_keyboard.send("lockgroup 0"));
        QCOMPARE(QProcess::execute("setxkbmap", {"-layout", "us"}), 0);
    }

    void theHudShowsAtTheBottomCentreAndLetsClicksThrough() {
        // A click target lies under the HUD's area (bottom centre of the 1920 x 1080 screen),
        // and the focused application elsewhere.
        QProcess under;
        QByteArray underOutput;
        under.start(QStringLiteral(TEXT_FIELD_APP), {"under the HUD", "660,860,600,160", "bypass"});
        QVERIFY(waitForLine(under, underOutput, "READY"));
        QVERIFY(startApp("shown in the HUD"));
        const int at = appOutput().indexOf("WINDOW ");
        QVERIFY(at >= 0);
        const QString active = QString::fromLatin1(appOutput().mid(at + 7).split('\n').first());
        QVERIFY(
            QTest::qWaitFor([&] { return Xdotool::output({"getactivewindow"}) == active; }, 3000));
        QVERIFY(m_keyboard.chord({"Control_L", "Alt_L"}, "5"));
        QString hud;
        QVERIFY(QTest::qWaitFor(
            [&] {
                hud = Xdotool::window("Stashwick HUD");
                return !hud.isEmpty();
            },
            1000));
        // 420 x 96, centred, its bottom edge 96 above the bottom of the screen.
        const QString geometry = Xdotool::output({"getwindowgeometry", hud});
        QVERIFY2(geometry.contains("Position: 750,888") && geometry.contains("Geometry: 420x96"),
                 qPrintable(geometry));
        QCOMPARE(Xdotool::output({"getactivewindow"}), active);
        QVERIFY2(!appOutput().contains("DEACTIVATED"), appOutput().constData());
        QCOMPARE(QProcess::execute(SCREENSHOT, {QStringLiteral(ARTIFACTS_DIR "/hud-x11-text.png"),
                                                "730", "868", "460", "136"}),
                 0);
        // A click on the capsule reaches the field below.
        QVERIFY(Xdotool::run({"mousemove", "960", "950", "click", "1"}));
        QVERIFY2(waitForLine(under, underOutput, "CLICK", 2000), underOutput.constData());
        under.kill();
        under.waitForFinished();
        // Gone 1.28 s after the flash.
        QVERIFY(QTest::qWaitFor([&] { return Xdotool::window("Stashwick HUD").isEmpty(); }, 3000));

        // An image: the application copies nothing, so the chord captures the image that
        // is already on the clipboard, and the HUD shows its thumbnail.
        QImage picture(320, 200, QImage::Format_RGB32);
        picture.fill(QColor(0x3E, 0x9D, 0x6E));
        for (int y = 40; y < 160; ++y) {
            for (int x = 60; x < 260; ++x) {
                picture.setPixelColor(x, y, QColor(0xF4, 0xEF, 0xE6));
            }
        }
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "PNG");
        QVERIFY(m_session.setClipboard(png, "image/png"));
        QVERIFY(startApp(""));
        QVERIFY(m_keyboard.chord({"Control_L", "Alt_L"}, "6"));
        QVERIFY(QTest::qWaitFor(
            [&] { return dump()["slots"].toArray()[6].toObject()["kind"].toString() == "image"; },
            3000));
        QCOMPARE(QProcess::execute(SCREENSHOT, {QStringLiteral(ARTIFACTS_DIR "/hud-x11-image.png"),
                                                "730", "868", "460", "136"}),
                 0);
    }

    void terminalsCopyAndPasteWithoutInterruptingTheirProgram_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("cls");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("textRow");
        QTest::addColumn<bool>("bySelection");
        // xterm binds no copy keystroke: its selection is PRIMARY and Shift+Insert pastes it.
        QTest::newRow("xterm") << "xterm"
                               << "xterm" << QStringList{"-geometry",        "60x6+40+40", "-fa",
                                                         "DejaVu Sans Mono", "-fs",        "11"}
                               << 10 << true;
        // A VTE terminal takes Control+Shift+C and Control+Shift+V.
        QTest::newRow("lxterminal") << "lxterminal"
                                    << "lxterminal" << QStringList{"--no-remote", "--geometry=60x6"}
                                    << 36 << false; // below its menu bar
    }

    void terminalsCopyAndPasteWithoutInterruptingTheirProgram() {
        QFETCH(QString, program);
        QFETCH(QString, cls);
        QFETCH(QStringList, options);
        QFETCH(int, textRow);
        QFETCH(bool, bySelection);
        QVERIFY(setClipboard("PASTED"));
        QCOMPARE(stashwick({"stashwick://capture-to-slot/5"}), 0);
        QVERIFY(setClipboard("the user's clipboard"));
        auto term = startTerminal(program, cls, options, textRow, "selected");
        QVERIFY(term);

        QVERIFY(m_keyboard.chord({"Control_L", "Alt_L"}, "3"));
        QVERIFY(waitForSlot(3, "selected"));
        if (bySelection) {
            QCOMPARE(clipboard(), QByteArray("the user's clipboard")); // untouched
        }

        const QByteArray beforePaste = clipboard();
        QVERIFY(m_keyboard.chord({"Control_L", "Super_L"}, "5"));
        // The terminal asks for the clipboard after the chord: Return typed before the paste
        // lands would come first.
        QVERIFY2(QTest::qWaitFor([&] { return term->output() == "selected\nPASTED"; }, 3000),
                 term->output().constData());
        QVERIFY(m_keyboard.send("tap Return"));
        QVERIFY2(QTest::qWaitFor([&] { return term->output() == "selected\nPASTED\n"; }, 3000),
                 term->output().constData());
        QTRY_COMPARE_WITH_TIMEOUT(clipboard(), beforePaste, 3000);
        if (bySelection) {
            QTRY_COMPARE_WITH_TIMEOUT(primary(), QByteArray("selected"), 3000);
        }
        // cat was never interrupted.
        QVERIFY(!QFile::exists(term->done));
        term->process->kill();
        term->process->waitForFinished();
    }
};

QTEST_GUILESS_MAIN(X11ChordsTest)
#include "tst_x11chords.moc"
