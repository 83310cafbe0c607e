#pragma once

#include "WaitForLine.h"

#include <QList>
#include <QProcess>
#include <QTest>
#include <optional>

// The second keyboard device of an X11 suite (fake_keyboard), standing for the user's hands
// beside the XTEST device the program presses keys with. Each command waits for its answer.
class FakeKeyboard {
public:
    ~FakeKeyboard() {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    bool start() {
        m_process.start(QStringLiteral(FAKE_KEYBOARD));
        QByteArray out;
        return waitForLine(m_process, out, "ready");
    }
    // One command, such as "down Control_L" or "tap 3".
    bool send(const QByteArray& command) { return sendAtOnce({command}); }
    // The commands in one write, with no wait between them, each answered.
    bool sendAtOnce(const QList<QByteArray>& commands) { return answer(commands).has_value(); }
    // Holds the modifiers down in order, taps the key and lets them go in reverse.
    bool chord(const QList<QByteArray>& modifiers, const QByteArray& key) {
        bool ok = true;
        for (const auto& m : modifiers) {
            ok = ok && send("down " + m);
        }
        ok = ok && send("tap " + key);
        for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) {
            ok = ok && send("up " + *it);
        }
        return ok;
    }
    // The keys down on the XTEST keyboard (the program's own), or -1.
    int xtestKeysHeld() {
        const auto out = answer({"xtestheld"});
        const qsizetype at = out ? out->indexOf("held ") : -1;
        return at < 0 ? -1 : out->mid(at + 5).split('\n').first().toInt();
    }

private:
    // What the device printed until the last of `commands` was answered "ok".
    std::optional<QByteArray> answer(const QList<QByteArray>& commands) {
        m_process.readAllStandardOutput();
        QByteArray lines;
        for (const auto& c : commands) {
            lines += c + '\n';
        }
        m_process.write(lines);
        QByteArray out;
        const bool answered = QTest::qWaitFor(
            [&] {
                out += m_process.readAllStandardOutput();
                return out.count("ok\n") >= commands.size();
            },
            5000);
        return answered ? std::optional(out) : std::nullopt;
    }

    QProcess m_process;
};
