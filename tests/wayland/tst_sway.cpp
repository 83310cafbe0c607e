// The real program in a headless sway session (run-in-session.sh sway): a burst of copies made
// by native Wayland applications reaches the history in order, and the chords, given by sway
// bindings that run the stashwick command, copy from and paste into native applications: a GTK
// entry and the foot terminal. The user's keys come from a virtual keyboard of the test's own.
#include "ChordScenario.h"
#include "WaylandTestSession.h"
#include "ZenityEntry.h"

#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <xkbcommon/xkbcommon.h>

namespace {

const QByteArray usersClipboard = "the user's clipboard";

// The node of sway's tree that has the keyboard focus.
QJsonObject focusedNode(const QJsonObject& node) {
    if (node[QStringLiteral("focused")].toBool()) {
        return node;
    }
    for (const char* children : {"nodes", "floating_nodes"}) {
        for (const QJsonValue& child : node[QLatin1String(children)].toArray()) {
            const QJsonObject found = focusedNode(child.toObject());
            if (!found.isEmpty()) {
                return found;
            }
        }
    }
    return {};
}

} // namespace

class SwayTest : public QObject, private ScenarioDesk {
    Q_OBJECT

    struct Chord {
        Modifiers modifiers;
        quint32 keysym = 0;
    };

    WaylandTestSession m_session;
    QTemporaryDir m_files;
    // The chord of each binding's URL, as `stashwick --print-bindings sway` gave it.
    QHash<QString, Chord> m_chords;
    AccessibleText m_accessible;
    ZenityEntry m_entry{m_accessible};
    ChordScenario m_scenario{*this};
    bool m_failed = false;

    static QJsonObject focused() {
        const auto r = WaylandTestSession::run(QStringLiteral("swaymsg"), {"-r", "-t", "get_tree"});
        return focusedNode(QJsonDocument::fromJson(r.out).object());
    }
    static bool waitForFocus(const QString& appId) {
        return WaylandTestSession::waitFor(
            [&] { return focused()[QStringLiteral("app_id")].toString() == appId; }, 10000);
    }
    bool press(const QString& url) {
        const auto it = m_chords.constFind(url);
        return it != m_chords.cend() && m_session.typeChord(it->modifiers, it->keysym);
    }

    // The scenario's session: sway's bindings run the chords' commands, the clipboard is
    // wl-copy's, and the entry zenity's.
    QJsonObject dump() override { return m_session.dump(); }
    bool run(const QString& url) override { return m_session.ok(url); }
    bool setClipboard(const QByteArray& text) override { return m_session.setClipboard(text); }
    QByteArray clipboard() override { return WaylandTestSession::clipboard(); }
    bool pressChord(ScenarioDesk::Chord chord, int slot) override {
        return press(QStringLiteral("stashwick://%1/%2")
                         .arg(chord == ScenarioDesk::Chord::Copy ? "copy-to-slot" : "paste-slot")
                         .arg(slot));
    }
    bool openEntry(const QString& text) override {
        return m_entry.start(text) && m_entry.selectAll([this] {
            return m_session.typeChord(Modifiers::of({Modifiers::control}), XKB_KEY_a);
        });
    }
    bool pressEnd() override { return m_session.tap(XKB_KEY_End); }
    QString entryText() override { return m_entry.text(); }
    QString closeEntry() override {
        return m_session.tap(XKB_KEY_Return)
                   ? m_entry.finished().value_or(QStringLiteral("(the dialog did not close)"))
                   : QString();
    }

    static QByteArray contents(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private Q_SLOTS:
    void initTestCase() {
        m_failed = true; // until set up
        if (WaylandTestSession::compositor() != u"sway") {
            QFAIL("run this through tests/wayland/run-in-session.sh sway");
        }
        QVERIFY(m_files.isValid());
        QString error;
        QVERIFY2(m_session.openKeyboard(&error), qPrintable(error));
        QVERIFY2(m_accessible.open(&error), qPrintable(error));
        QVERIFY(m_session.startInstance());

        // The program found data-control, the virtual keyboard and no shortcuts service.
        QJsonObject platform;
        const bool settled = WaylandTestSession::waitFor(
            [&] {
                platform = m_session.dump()[QStringLiteral("platform")].toObject();
                return platform[QStringLiteral("chords")].toString() != u"waiting";
            },
            20000);
        QVERIFY2(settled, m_session.log().constData());
        QCOMPARE(platform[QStringLiteral("session")].toString(), QStringLiteral("wayland"));
        // sway 1.7 offers only wlr-data-control; from 1.11 the standard one too, which wins.
        QCOMPARE(platform[QStringLiteral("clipboard")].toString(),
                 WaylandTestSession::offeredDataControl());
        QCOMPARE(platform[QStringLiteral("keystrokes")].toString(),
                 QStringLiteral("virtual-keyboard"));
        QCOMPARE(platform[QStringLiteral("chords")].toString(),
                 QStringLiteral("compositor-bindings"));

        // The bindings the program prints become sway's.
        const auto printed = m_session.stashwick({"--print-bindings", "sway"});
        QCOMPARE(printed.exitCode, 0);
        const QStringList lines = QString::fromUtf8(printed.out).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 21);
        static const QRegularExpression shape(
            QStringLiteral("^bindsym (\\S+) exec .*'(stashwick://[^']+)'$"));
        for (const QString& line : lines) {
            const auto m = shape.match(line);
            QVERIFY2(m.hasMatch(), qPrintable(line));
            const auto added = WaylandTestSession::run(QStringLiteral("swaymsg"), {line});
            QVERIFY2(added.exitCode == 0, added.out.constData());
            Chord chord;
            QStringList parts = m.captured(1).split(u'+');
            const QByteArray key = parts.takeLast().toUtf8();
            chord.keysym = xkb_keysym_from_name(key.constData(), XKB_KEYSYM_NO_FLAGS);
            QVERIFY2(chord.keysym != XKB_KEY_NoSymbol, key.constData());
            for (const QString& name : parts) {
                static const QHash<QString, qint64> members{{"Ctrl", Modifiers::control},
                                                            {"Alt", Modifiers::option},
                                                            {"Shift", Modifiers::shift},
                                                            {"Mod4", Modifiers::command}};
                QVERIFY2(members.contains(name), qPrintable(line));
                chord.modifiers = chord.modifiers.inserting(members[name]);
            }
            m_chords.insert(m.captured(2), chord);
        }
        QCOMPARE(m_chords.size(), 21);
        m_failed = false;
    }

    void cleanup() { m_failed = m_failed || QTest::currentTestFailed(); }

    void cleanupTestCase() {
        qInfo("program RSS in the sway session: %lld KiB",
              static_cast<long long>(m_session.residentKiB()));
        const QByteArray log = m_session.stopInstance();
        if (m_failed) {
            qInfo("the program's log:\n%s", log.constData());
        }
    }

    // The history follows data-control's selection events: five copies 120 ms apart, each by
    // its own wl-copy (which stops once the next one takes the clipboard), all in the history,
    // in order.
    void aBurstOfCopiesIsRecordedInOrder() {
        QStringList burst;
        QElapsedTimer pace;
        pace.start();
        for (int i = 0; i < 5; ++i) {
            burst.prepend(QStringLiteral("sway burst %1").arg(i));
            QVERIFY(QTest::qWaitFor([&] { return pace.elapsed() >= i * 120; }, 1000));
            QVERIFY(m_session.setClipboard(burst.first().toUtf8(), QStringLiteral("text/plain"),
                                           false));
        }
        const auto newest = [&] {
            QStringList texts;
            const QJsonArray history = m_session.dump()[QStringLiteral("history")].toArray();
            for (qsizetype i = 0; i < std::min<qsizetype>(5, history.size()); ++i) {
                texts << history.at(i).toObject()[QStringLiteral("preview")].toString();
            }
            return texts;
        };
        QVERIFY(WaylandTestSession::waitFor([&] { return newest() == burst; }));
    }

    void copyChordFillsTheSlotFromAGtkEntry() { m_scenario.copyChordFillsTheSlot(20); }
    void pasteChordPutsTheSlotIntoAGtkEntry() { m_scenario.pasteChordPutsTheSlotAtTheCursor(20); }
    void aCopyChordRightAfterAPasteCopiesTheSelection() {
        m_scenario.copyChordOnce(8, QStringLiteral("copied after a paste"));
    }

    // foot is a terminal: the program pastes with Control+Shift+V (Control+V would insert a
    // literal character and Control+C interrupt cat). Each paste lands whole in cat's file and
    // the clipboard is the user's again before the next one.
    void pasteChordIntoFootUsesTheTerminalKeys() {
        QCOMPARE(m_scenario.slotPreview(5), QStringLiteral("PASTED"));
        QVERIFY(m_session.setClipboard(usersClipboard));
        const QString out = m_files.filePath("foot.out");
        const QString ended = m_files.filePath("foot.ended");
        QProcess foot;
        foot.start(QStringLiteral("foot"),
                   {"sh", "-c",
                    QStringLiteral("stty -icanon min 1 time 0; cat > '%1'; echo ended > '%2'")
                        .arg(out, ended)});
        QVERIFY(waitForFocus(QStringLiteral("foot")));
        QVERIFY(m_session.typeText("ready"));
        QVERIFY(m_session.tap(XKB_KEY_Return));
        QVERIFY2(WaylandTestSession::waitFor([&] { return contents(out) == "ready\n"; }),
                 contents(out).constData());

        QByteArray expected = "ready\n";
        QList<qint64> times;
        for (int i = 0; i < 20; ++i) {
            expected += "PASTED";
            QElapsedTimer t;
            t.start();
            QVERIFY(press(QStringLiteral("stashwick://paste-slot/5")));
            QVERIFY2(WaylandTestSession::waitFor([&] { return contents(out) == expected; }),
                     contents(out).constData());
            times << t.elapsed();
            QTRY_COMPARE_WITH_TIMEOUT(WaylandTestSession::clipboard(), usersClipboard, 5000);
        }
        printTimings(QStringLiteral("paste chord to text in foot"), times);
        QCOMPARE(contents(out), expected);
        QVERIFY(!QFile::exists(ended)); // cat was never interrupted
        foot.kill();
        foot.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(SwayTest)
#include "tst_sway.moc"
