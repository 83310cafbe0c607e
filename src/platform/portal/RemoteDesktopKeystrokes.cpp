#include "RemoteDesktopKeystrokes.h"

#include "core/Log.h"
#include "core/UserDefaults.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <linux/input-event-codes.h>

namespace {

constexpr uint keyboardDevice = 1;
// Remembered until the user takes the permission back.
constexpr uint persistUntilRevoked = 2;

QString whyMissing(const QDBusError& error) {
    return PortalSession::whyUnreachable(
        error, QStringLiteral("the desktop portal offers no remote control (RemoteDesktop), "
                              "which pressing keys in other applications needs here"));
}

QString whyRefused(const QString& step, uint code) {
    return PortalSession::whyRefused(
        step, code,
        QStringLiteral("remote interaction was not allowed in the desktop's dialog, "
                       "so no keys can be pressed in other applications"));
}

} // namespace

const QString RemoteDesktopKeystrokes::restoreTokenKey =
    QStringLiteral("remoteDesktopRestoreToken");

RemoteDesktopKeystrokes::RemoteDesktopKeystrokes(QDBusConnection bus, UserDefaults& defaults,
                                                 QObject* parent)
    : QObject(parent),
      m_portal(std::move(bus), QStringLiteral("org.freedesktop.portal.RemoteDesktop"),
               QStringLiteral("stashwick_rd")),
      m_defaults(defaults) {
    connect(&m_portal, &PortalSession::ownerChanged, this,
            &RemoteDesktopKeystrokes::portalOwnerChanged);
    connect(&m_portal, &PortalSession::closed, this, &RemoteDesktopKeystrokes::sessionClosed);
}

RemoteDesktopKeystrokes::~RemoteDesktopKeystrokes() {
    closeSession();
}

QString RemoteDesktopKeystrokes::stateName(State state) {
    switch (state) {
    case State::NotStarted:
        return QStringLiteral("not-started");
    case State::Asking:
        return QStringLiteral("asking");
    case State::Allowed:
        return QStringLiteral("allowed");
    case State::Refused:
        return QStringLiteral("refused");
    case State::PortalMissing:
        return QStringLiteral("portal-missing");
    }
    return {};
}

void RemoteDesktopKeystrokes::setState(State state, const QString& reason) {
    const bool changed = state != m_state || reason != m_reason;
    m_state = state;
    m_reason = reason;
    if (!changed) {
        return;
    }
    switch (state) {
    case State::Allowed:
        qCInfo(Log::hotkeys).noquote()
            << QStringLiteral("keystrokes: the desktop allows remote interaction (session %1)")
                   .arg(m_portal.handle());
        break;
    case State::Refused:
    case State::PortalMissing:
        qCWarning(Log::hotkeys).noquote()
            << "keystrokes: none through the desktop portal:" << reason;
        break;
    case State::NotStarted:
    case State::Asking:
        break;
    }
    Q_EMIT stateChanged(state);
}

void RemoteDesktopKeystrokes::start() {
    if (m_state == State::Asking || m_state == State::Allowed) {
        return;
    }
    closeSession();
    m_portal.newGeneration();
    setState(State::Asking);
    if (const QString why = m_portal.whyNoBus(); !why.isEmpty()) {
        setState(State::PortalMissing, why);
        return;
    }
    m_portal.askProperties(QStringLiteral("GetAll"), {}, [this](const QDBusPendingCall& call) {
        const QDBusPendingReply<QVariantMap> reply = call;
        if (reply.isError()) {
            setState(State::PortalMissing, whyMissing(reply.error()));
            return;
        }
        const QVariantMap properties = reply.value();
        m_version = properties.value(QStringLiteral("version")).toUInt();
        const QVariant devices = properties.value(QStringLiteral("AvailableDeviceTypes"));
        if (m_version == 0 || (devices.isValid() && !(devices.toUInt() & keyboardDevice))) {
            setState(State::PortalMissing,
                     QStringLiteral("the desktop's remote control offers no keyboard"));
            return;
        }
        m_talking = true;
        qCInfo(Log::hotkeys).noquote()
            << QStringLiteral("keystrokes: asking the desktop for remote interaction "
                              "(RemoteDesktop portal version %1)")
                   .arg(m_version);
        createSession();
    });
}

void RemoteDesktopKeystrokes::stop() {
    closeSession();
    m_portal.newGeneration();
    m_portal.dropRequest();
    setState(State::NotStarted);
}

void RemoteDesktopKeystrokes::requestFailed(const QString& why) {
    setState(State::Refused, QStringLiteral("the desktop portal failed: %1").arg(why));
}

void RemoteDesktopKeystrokes::createSession() {
    m_portal.createSession(
        {}, {},
        [this](uint code, const QVariantMap& results, const QString&) {
            const QString handle =
                PortalSession::pathOf(results.value(QStringLiteral("session_handle")));
            if (code != 0 || handle.isEmpty()) {
                setState(State::Refused, whyRefused(QStringLiteral("the session"), code));
                return;
            }
            m_portal.open(handle);
            selectDevices();
        },
        [this](const QString& why) { requestFailed(why); });
}

void RemoteDesktopKeystrokes::selectDevices() {
    QVariantMap options{{QStringLiteral("types"), keyboardDevice}};
    if (m_version >= 2) {
        options.insert(QStringLiteral("persist_mode"), persistUntilRevoked);
        if (const auto restore = m_defaults.string(restoreTokenKey);
            restore && !restore->isEmpty()) {
            options.insert(QStringLiteral("restore_token"), *restore);
        }
    }
    m_portal.request(
        QStringLiteral("SelectDevices"), {}, options,
        [this](uint code, const QVariantMap&) {
            if (code != 0) {
                setState(State::Refused, whyRefused(QStringLiteral("the keyboard"), code));
                return;
            }
            startSession();
        },
        [this](const QString& why) { requestFailed(why); });
}

void RemoteDesktopKeystrokes::startSession() {
    // No window of ours to attach the dialog to: the desktop centres it.
    m_portal.request(
        QStringLiteral("Start"), {QString()}, {},
        [this](uint code, const QVariantMap& results) {
            if (code != 0) {
                closeSession();
                setState(State::Refused, whyRefused(QStringLiteral("remote control"), code));
                return;
            }
            // A later start offers this token so that the desktop need not ask again.
            const QString restore = results.value(QStringLiteral("restore_token")).toString();
            if (m_version >= 2 && !restore.isEmpty()) {
                m_defaults.setString(restoreTokenKey, restore);
            }
            if (!(results.value(QStringLiteral("devices")).toUInt() & keyboardDevice)) {
                closeSession();
                setState(State::Refused,
                         QStringLiteral("the desktop allowed remote interaction without the "
                                        "keyboard, so no keys can be pressed"));
                return;
            }
            setState(State::Allowed);
        },
        [this](const QString& why) { requestFailed(why); });
}

void RemoteDesktopKeystrokes::closeSession() {
    if (!m_portal.isOpen()) {
        return;
    }
    // No answer is awaited: the portal drops the session whether or not we listen.
    m_portal.close(PortalSession::CloseReply::NotAwaited);
    m_keys.clear();
}

void RemoteDesktopKeystrokes::sessionClosed() {
    m_keys.clear();
    m_portal.newGeneration();
    setState(State::Refused, QStringLiteral("the desktop ended remote interaction"));
}

void RemoteDesktopKeystrokes::portalOwnerChanged(const QString& oldOwner, const QString& newOwner) {
    // One we never talked to, or the name had no owner and our own first call started the
    // portal: nothing is lost.
    if (!m_talking || oldOwner.isEmpty()) {
        return;
    }
    // The session went with the old portal.
    m_portal.forget();
    m_keys.clear();
    m_talking = false;
    m_portal.newGeneration();
    if (newOwner.isEmpty()) {
        setState(State::PortalMissing, QStringLiteral("the desktop portal has gone away"));
    } else {
        // Starting again may ask the user again: the caller decides.
        setState(State::NotStarted);
    }
}

void RemoteDesktopKeystrokes::sendCopy() {
    tap(KEY_LEFTCTRL, KEY_C);
}

void RemoteDesktopKeystrokes::sendPaste() {
    tap(KEY_LEFTCTRL, KEY_V);
}

void RemoteDesktopKeystrokes::tap(quint32 modifierKey, quint32 key) {
    if (m_state != State::Allowed || !m_portal.isOpen()) {
        qCWarning(Log::hotkeys) << "keystrokes: no keys pressed: the desktop has not allowed "
                                   "remote interaction";
        return;
    }
    m_keys.append({{modifierKey, true}, {key, true}, {key, false}, {modifierKey, false}});
    if (!m_sending) {
        sendNextKey();
    }
}

void RemoteDesktopKeystrokes::sendNextKey() {
    if (m_keys.isEmpty() || !m_portal.isOpen()) {
        m_keys.clear();
        m_sending = false;
        return;
    }
    m_sending = true;
    const KeyEvent next = m_keys.takeFirst();
    QDBusMessage call = m_portal.sessionCall(QStringLiteral("NotifyKeyboardKeycode"));
    call << QVariantMap() << static_cast<int>(next.key) << static_cast<uint>(next.down ? 1 : 0);
    auto* watcher = new QDBusPendingCallWatcher(m_portal.bus().asyncCall(call), this);
    const quint64 generation = m_portal.generation();
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                const QDBusPendingReply<> reply = *w;
                if (reply.isError()) {
                    qCWarning(Log::hotkeys).noquote()
                        << "keystrokes: the desktop portal did not take a key:"
                        << reply.error().message();
                }
                if (generation != m_portal.generation()) {
                    // Keys of the old session were dropped with it; a new one's go out now.
                    m_sending = false;
                    if (m_keys.isEmpty()) {
                        return;
                    }
                }
                sendNextKey();
            });
}
