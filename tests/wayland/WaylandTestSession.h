#pragma once

// What the Wayland end-to-end tests share. They run inside a private headless session started
// by tests/wayland/run-in-session.sh, whose XDG folders, runtime folder and session bus are
// the test's own: the program, the stashwick command (also when a compositor binding runs it)
// and the clients all see the same environment.
//
// - the real program started in the foreground, its state.json and the stashwick command
//   (ProgramSession, with the session's own environment);
// - the Wayland clipboard through wl-copy and wl-paste (the reference clients);
// - the user's own keyboard: a virtual keyboard of the test's, apart from the program's, kept
//   for the whole suite (a keyboard that comes and goes makes applications drop keys).

#include "ProgramSession.h"
#include "Timings.h"
#include "hotkeys/Modifiers.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandVirtualKeyboard.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QTest>
#include <algorithm>
#include <functional>
#include <linux/input-event-codes.h>
#include <memory>
#include <optional>
#include <vector>

class WaylandTestSession : public ProgramSession {
public:
    WaylandTestSession() = default;
    ~WaylandTestSession() override {
        stopInstance();
        stopClipboardOwner();
    }

    // "sway" or "kwin" inside run-in-session.sh; empty anywhere else (where the test must not
    // run: it would use the user's own data folder and clipboard).
    static QString compositor() { return qEnvironmentVariable("STASHWICK_TEST_COMPOSITOR"); }

    // The clipboard protocol the program should bind, as state.json names it: the standard
    // ext-data-control where the compositor offers it, else wlr-data-control.
    static QString offeredDataControl() {
        const auto connection = WaylandConnection::open();
        if (!connection) {
            return QStringLiteral("(no Wayland connection)");
        }
        if (connection->global("ext_data_control_manager_v1")) {
            return QStringLiteral("ext-data-control");
        }
        return connection->global("zwlr_data_control_manager_v1")
                   ? QStringLiteral("wlr-data-control")
                   : QStringLiteral("x11");
    }

    // The evdev key of digit `n`.
    static quint32 digitKey(int n) { return n == 0 ? KEY_0 : KEY_1 + quint32(n - 1); }

    // Polls `done` until it holds or `ms` pass; the event loop runs meanwhile.
    static bool waitFor(const std::function<bool()>& done, int ms = 5000) {
        return QTest::qWaitFor(done, ms);
    }

    // --- The program ---------------------------------------------------------------------

    // The portal finds the program by its desktop file (1.22 refuses sessions to a connection
    // whose application it does not know): a minimal one, in the session's data folder.
    static bool installDesktopFile() {
        const QString applications = qEnvironmentVariable("XDG_DATA_HOME") + "/applications";
        QFile desktop(applications + "/io.stashwick.Stashwick.desktop");
        return QDir().mkpath(applications) && desktop.open(QIODevice::WriteOnly) &&
               desktop.write(
                   "[Desktop Entry]\nType=Application\nName=Stashwick\nExec=" STASHWICK_BIN
                   "\n") > 0;
    }

    // --- The Wayland clipboard through the reference clients --------------------------------

    // Another application owns the clipboard with `bytes` as `type`: wl-copy in the
    // foreground, which serves until someone else takes the clipboard.
    // The previous owner is left to stop by itself once the new one has taken the clipboard,
    // as a real application's source does; `wait` waits until wl-paste gets the new content.
    // Times `count` Wayland copies (wl-copy) of texts starting with `prefix`, each from the copy
    // until the history's newest entry is that text; prints the median as "`what`: median ...".
    // Each poll is one `stashwick://dump`. False when one never arrives.
    bool timeCopiesToHistory(const QString& prefix, const QString& what, int count = 20) {
        QList<qint64> times;
        for (int i = 0; i < count; ++i) {
            const QString text = prefix + QString::number(i);
            QElapsedTimer t;
            t.start();
            if (!setClipboard(text.toUtf8(), QStringLiteral("text/plain"), false) || !waitFor([&] {
                    const QJsonObject h = newestHistory(dump());
                    return h[QStringLiteral("preview")].toString() == text &&
                           h[QStringLiteral("kind")].toString() == u"text";
                })) {
                return false;
            }
            times << t.elapsed();
        }
        printTimings(what, times);
        return true;
    }
    bool setClipboard(const QByteArray& bytes, const QString& type = QStringLiteral("text/plain"),
                      bool wait = true) {
        std::erase_if(m_retired, [](const auto& p) { return p->state() == QProcess::NotRunning; });
        if (m_owner) {
            m_retired.push_back(std::move(m_owner));
        }
        m_owner = std::make_unique<QProcess>();
        m_owner->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_owner->start(QStringLiteral("wl-copy"), {"--foreground", "-t", type});
        m_owner->write(bytes);
        m_owner->closeWriteChannel();
        return !wait || waitFor([&] { return clipboard(type) == bytes; });
    }
    // The wl-copy of setClipboard() has stopped serving: someone else took the clipboard.
    bool clipboardOwnerGone() const { return !m_owner || m_owner->state() == QProcess::NotRunning; }
    void stopClipboardOwner() {
        m_retired.push_back(std::move(m_owner));
        for (const auto& p : m_retired) {
            if (p) {
                p->kill();
                p->waitForFinished();
            }
        }
        m_retired.clear();
    }
    // The clipboard (or the primary selection) as `type`; empty when it has none or its
    // owner does not answer within a few seconds.
    static QByteArray clipboard(const QString& type = QStringLiteral("text/plain"),
                                bool primary = false) {
        QStringList args{"5", "wl-paste", "--no-newline", "--type", type};
        if (primary) {
            args << "--primary";
        }
        const Run r = run(QStringLiteral("timeout"), args);
        return r.exitCode == 0 ? r.out : QByteArray();
    }

    // --- The user's keyboard ---------------------------------------------------------------

    bool openKeyboard(QString* error) {
        m_connection = WaylandConnection::open(error);
        if (m_connection) {
            m_keyboard = WaylandVirtualKeyboard::create(*m_connection, error);
        }
        return m_keyboard != nullptr && m_connection->roundtrip();
    }
    // The key that types `keysym`, absent when the keymap has none.
    std::optional<quint32> key(quint32 keysym) const { return m_keyboard->keyFor(keysym); }
    // Presses the modifier keys, taps the key of `keysym` and lets go again, as a person does.
    bool typeChord(Modifiers modifiers, quint32 keysym) {
        const auto k = key(keysym);
        if (!k) {
            return false;
        }
        m_keyboard->typeChord(modifiers, *k);
        return m_connection->roundtrip();
    }
    // Taps the key of `keysym` with no modifiers held.
    bool tap(quint32 keysym) { return typeChord(Modifiers(), keysym); }
    bool typeText(const QByteArray& latin) {
        bool done = true;
        for (const char c : latin) {
            done = done && tap(static_cast<quint32>(static_cast<unsigned char>(c)));
        }
        return done;
    }

private:
    std::unique_ptr<QProcess> m_owner;
    std::vector<std::unique_ptr<QProcess>> m_retired;
    std::unique_ptr<WaylandConnection> m_connection;
    std::unique_ptr<WaylandVirtualKeyboard> m_keyboard;
};
