#pragma once

#include "ScenarioDesk.h"
#include "Timings.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QList>
#include <QTest>

// The chord scenario every desktop session runs, written once: the copy chord fills a slot
// from another application's selected text, the paste chord puts a slot at its cursor and gives
// the user's clipboard back, and a copy chord right after a paste still copies. The session
// comes in through its ScenarioDesk. Each call is the body of a test: it fails the running test
// (QVERIFY) and prints the medians it timed.
class ChordScenario {
public:
    explicit ChordScenario(ScenarioDesk& desk) : m_desk(desk) {}

    // `times` copy chords of slot 3 from an entry whose text is all selected, each after
    // another application's copy that the program has seen, so that only the chord's own copy
    // fills the slot. The entry's text is unchanged afterwards: none of the program's keys
    // reached it as typing.
    void copyChordFillsTheSlot(int times) {
        const QString text = QStringLiteral("from the entry");
        QVERIFY(m_desk.openEntry(text));
        QList<qint64> ms;
        for (int i = 0; i < times; ++i) {
            QVERIFY(clipboardSeen("copy " + QByteArray::number(i)));
            QVERIFY(copyTimed(3, text, &ms));
        }
        printTimings(QStringLiteral("copy chord to slot filled"), ms);
        QCOMPARE(m_desk.entryText(), text);
        QCOMPARE(m_desk.closeEntry(), text);
    }

    // `times` paste chords of slot 5 at the end of an entry's text: each lands whole at the
    // cursor, and the user's clipboard is back before the next.
    void pasteChordPutsTheSlotAtTheCursor(int times) {
        const QByteArray users = "the user's clipboard";
        QVERIFY(m_desk.setClipboard("PASTED"));
        QVERIFY(m_desk.run(QStringLiteral("stashwick://capture-to-slot/5")));
        QCOMPARE(slotPreview(5), QStringLiteral("PASTED"));
        QVERIFY(m_desk.setClipboard(users));
        QVERIFY(m_desk.openEntry(QStringLiteral("abc")));
        QVERIFY(m_desk.pressEnd());
        QString expected = QStringLiteral("abc");
        QList<qint64> ms;
        for (int i = 0; i < times; ++i) {
            expected += QStringLiteral("PASTED");
            QElapsedTimer t;
            t.start();
            QVERIFY(m_desk.pressChord(ScenarioDesk::Chord::Paste, 5));
            QVERIFY2(QTest::qWaitFor([&] { return m_desk.entryText() == expected; }, 10000),
                     qPrintable(m_desk.entryText()));
            ms << t.elapsed();
            QTRY_COMPARE_WITH_TIMEOUT(m_desk.clipboard(), users, 5000);
            QVERIFY(m_desk.keysReleased());
        }
        printTimings(QStringLiteral("paste chord to text in the entry"), ms);
        QCOMPARE(m_desk.closeEntry(), expected);
    }

    // One copy chord of `slot` from a fresh entry holding `text`. After a paste chord the
    // program holds the clipboard itself (the user's content put back), and a copy chord then
    // must still take the selection.
    void copyChordOnce(int slot, const QString& text) {
        QVERIFY(m_desk.openEntry(text));
        QVERIFY(clipboardSeen("before copying " + text.toUtf8()));
        QVERIFY(copyTimed(slot, text, nullptr));
        QCOMPARE(m_desk.closeEntry(), text);
    }

    // The preview of slot `slot` in a fresh dump.
    QString slotPreview(int slot) {
        return m_desk.dump()[QStringLiteral("slots")]
            .toArray()
            .at(slot)
            .toObject()[QStringLiteral("preview")]
            .toString();
    }

private:
    ScenarioDesk& m_desk;

    // Another application's copy of `text`, once the program's history has it (a change it
    // learnt of after a chord's copy keys would pass for what they copied).
    bool clipboardSeen(const QByteArray& text) {
        return m_desk.setClipboard(text) &&
               QTest::qWaitFor(
                   [&] {
                       return m_desk.dump()[QStringLiteral("history")]
                                  .toArray()
                                  .at(0)
                                  .toObject()[QStringLiteral("preview")]
                                  .toString() == text;
                   },
                   10000);
    }
    // Empties `slot`, presses its copy chord and waits until it holds `text`; the time from
    // the press goes into `ms`.
    bool copyTimed(int slot, const QString& text, QList<qint64>* ms) {
        if (!slotPreview(slot).isEmpty() &&
            (!m_desk.run(QStringLiteral("stashwick://clear-slot/%1").arg(slot)) ||
             !QTest::qWaitFor([&] { return slotPreview(slot).isEmpty(); }))) {
            return false;
        }
        QElapsedTimer t;
        t.start();
        if (!m_desk.pressChord(ScenarioDesk::Chord::Copy, slot) ||
            !QTest::qWaitFor([&] { return slotPreview(slot) == text; }, 10000)) {
            qWarning("slot %d holds \"%s\", not \"%s\"", slot, qPrintable(slotPreview(slot)),
                     qPrintable(text));
            return false;
        }
        if (ms) {
            *ms << t.elapsed();
        }
        return m_desk.keysReleased();
    }
};
