#include "RemoteDesktopKeystrokes.h"

#include "PortalRequest.h"
#include "core/Log.h"
#include "core/UserDefaults.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QRandomGenerator>
#include <linux/input-event-codes.h>

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString remoteInterface = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
const QString sessionInterface = QStringLiteral("org.freedesktop.portal.Session");

constexpr uint keyboardDevice = 1;
// Remembered until the user takes the permission back.
constexpr uint persistUntilRevoked = 2;

QString whyMissing(const QDBusError& error) {
    switch (error.type()) {
    case QDBusError::ServiceUnknown:
        return QStringLiteral("no desktop portal runs on the session bus");
    case QDBusError::InvalidArgs:
    case QDBusError::UnknownInterface:
    case QDBusError::UnknownProperty:
    case QDBusError::UnknownObject:
        return QStringLiteral("the desktop portal offers no remote control (RemoteDesktop), "
                              "which pressing keys in other applications needs here");
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
        return QStringLiteral("the desktop portal did not answer");
    default:
        break;
    }
    return QStringLiteral("the desktop portal could not be asked: %1 (%2)")
        .arg(error.message(), error.name());
}

QString whyRefused(const QString& step, uint code) {
    if (code == 1) {
        return QStringLiteral("remote interaction was not allowed in the desktop's dialog, "
                              "so no keys can be pressed in other applications");
    }
    return QStringLiteral("the desktop refused %1 (response %2)").arg(step).arg(code);
}

// An object path that came as a string, an object path or a variant of either.
QString pathOf(const QVariant& value) {
    if (value.userType() == qMetaTypeId<QDBusVariant>()) {
        return pathOf(value.value<QDBusVariant>().variant());
    }
    if (value.userType() == qMetaTypeId<QDBusObjectPath>()) {
        return value.value<QDBusObjectPath>().path();
    }
    return value.toString();
}

} // namespace

const QString RemoteDesktopKeystrokes::restoreTokenKey =
    QStringLiteral("remoteDesktopRestoreToken");

RemoteDesktopKeystrokes::RemoteDesktopKeystrokes(QDBusConnection bus, UserDefaults& defaults,
                                                 QObject* parent)
    : QObject(parent), m_bus(std::move(bus)), m_defaults(defaults),
      // Tokens name request and session objects under our bus name: another instance on the
      // same connection must not pick the same ones.
      m_tokenBase(QString::number(QRandomGenerator::global()->generate(), 16)) {
    m_watcher = new QDBusServiceWatcher(portalService, m_bus,
                                        QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString& oldOwner, const QString& newOwner) {
                portalOwnerChanged(oldOwner, newOwner);
            });
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
                   .arg(m_session);
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
    ++m_generation;
    setState(State::Asking);
    if (!m_bus.isConnected()) {
        setState(State::PortalMissing,
                 QStringLiteral("no session bus: %1").arg(m_bus.lastError().message()));
        return;
    }
    QDBusMessage getAll = QDBusMessage::createMethodCall(
        portalService, portalPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("GetAll"));
    getAll << remoteInterface;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(getAll), this);
    const quint64 generation = m_generation;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                if (generation != m_generation) {
                    return;
                }
                const QDBusPendingReply<QVariantMap> reply = *w;
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
    ++m_generation;
    if (m_pending) {
        m_pending->deleteLater();
    }
    setState(State::NotStarted);
}

QString RemoteDesktopKeystrokes::nextToken(const QString& kind) {
    return QStringLiteral("stashwick_rd_%1_%2_%3").arg(kind, m_tokenBase).arg(++m_tokens);
}

QDBusMessage RemoteDesktopKeystrokes::portalCall(const QString& method) const {
    // To the well-known name: a reply does not reliably carry the portal's unique name (Qt 6.8
    // leaves it empty). A portal that took the name over in between is noticed by the watcher.
    return QDBusMessage::createMethodCall(portalService, portalPath, remoteInterface, method);
}

PortalRequest* RemoteDesktopKeystrokes::newRequest(QString* token) {
    *token = nextToken(QStringLiteral("request"));
    if (m_pending) {
        m_pending->deleteLater();
    }
    auto* request = new PortalRequest(m_bus, portalService, *token, this);
    connect(request, &PortalRequest::responded, request, &QObject::deleteLater);
    connect(request, &PortalRequest::failed, request, &QObject::deleteLater);
    const quint64 generation = m_generation;
    connect(request, &PortalRequest::failed, this, [this, generation](const QString& why) {
        if (generation == m_generation) {
            setState(State::Refused, QStringLiteral("the desktop portal failed: %1").arg(why));
        }
    });
    m_pending = request;
    return request;
}

void RemoteDesktopKeystrokes::createSession() {
    QString token;
    PortalRequest* request = newRequest(&token);
    const QString sessionToken = nextToken(QStringLiteral("session"));
    const quint64 generation = m_generation;
    connect(request, &PortalRequest::responded, this,
            [this, generation](uint code, const QVariantMap& results) {
                if (generation != m_generation) {
                    return;
                }
                const QString handle = pathOf(results.value(QStringLiteral("session_handle")));
                if (code != 0 || handle.isEmpty()) {
                    setState(State::Refused, whyRefused(QStringLiteral("the session"), code));
                    return;
                }
                m_session = handle;
                m_bus.connect(portalService, m_session, sessionInterface, QStringLiteral("Closed"),
                              this, SLOT(onSessionClosed(QDBusMessage)));
                selectDevices();
            });
    QDBusMessage call = portalCall(QStringLiteral("CreateSession"));
    call << QVariantMap{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("session_handle_token"), sessionToken}};
    request->send(call);
}

void RemoteDesktopKeystrokes::selectDevices() {
    QString token;
    PortalRequest* request = newRequest(&token);
    const quint64 generation = m_generation;
    connect(request, &PortalRequest::responded, this,
            [this, generation](uint code, const QVariantMap&) {
                if (generation != m_generation) {
                    return;
                }
                if (code != 0) {
                    setState(State::Refused, whyRefused(QStringLiteral("the keyboard"), code));
                    return;
                }
                startSession();
            });
    QVariantMap options{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("types"), keyboardDevice}};
    if (m_version >= 2) {
        options.insert(QStringLiteral("persist_mode"), persistUntilRevoked);
        if (const auto restore = m_defaults.string(restoreTokenKey);
            restore && !restore->isEmpty()) {
            options.insert(QStringLiteral("restore_token"), *restore);
        }
    }
    QDBusMessage call = portalCall(QStringLiteral("SelectDevices"));
    call << QVariant::fromValue(QDBusObjectPath(m_session)) << options;
    request->send(call);
}

void RemoteDesktopKeystrokes::startSession() {
    QString token;
    PortalRequest* request = newRequest(&token);
    const quint64 generation = m_generation;
    connect(request, &PortalRequest::responded, this,
            [this, generation](uint code, const QVariantMap& results) {
                if (generation != m_generation) {
                    return;
                }
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
            });
    // No window of ours to attach the dialog to: the desktop centres it.
    QDBusMessage call = portalCall(QStringLiteral("Start"));
    call << QVariant::fromValue(QDBusObjectPath(m_session)) << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token}};
    request->send(call);
}

void RemoteDesktopKeystrokes::closeSession() {
    if (m_session.isEmpty()) {
        return;
    }
    m_bus.disconnect(portalService, m_session, sessionInterface, QStringLiteral("Closed"), this,
                     SLOT(onSessionClosed(QDBusMessage)));
    // No answer is awaited: the portal drops the session whether or not we listen.
    m_bus.send(QDBusMessage::createMethodCall(portalService, m_session, sessionInterface,
                                              QStringLiteral("Close")));
    m_session.clear();
    m_keys.clear();
}

void RemoteDesktopKeystrokes::onSessionClosed(const QDBusMessage& message) {
    if (message.path() != m_session) {
        return;
    }
    m_bus.disconnect(portalService, m_session, sessionInterface, QStringLiteral("Closed"), this,
                     SLOT(onSessionClosed(QDBusMessage)));
    m_session.clear();
    m_keys.clear();
    ++m_generation;
    setState(State::Refused, QStringLiteral("the desktop ended remote interaction"));
}

void RemoteDesktopKeystrokes::portalOwnerChanged(const QString& oldOwner, const QString& newOwner) {
    // One we never talked to, or the name had no owner and our own first call started the
    // portal: nothing is lost.
    if (!m_talking || oldOwner.isEmpty()) {
        return;
    }
    // The session went with the old portal.
    m_bus.disconnect(portalService, m_session, sessionInterface, QStringLiteral("Closed"), this,
                     SLOT(onSessionClosed(QDBusMessage)));
    m_session.clear();
    m_keys.clear();
    m_talking = false;
    ++m_generation;
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
    if (m_state != State::Allowed || m_session.isEmpty()) {
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
    if (m_keys.isEmpty() || m_session.isEmpty()) {
        m_keys.clear();
        m_sending = false;
        return;
    }
    m_sending = true;
    const KeyEvent next = m_keys.takeFirst();
    QDBusMessage call = portalCall(QStringLiteral("NotifyKeyboardKeycode"));
    call << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariantMap()
         << static_cast<int>(next.key) << static_cast<uint>(next.down ? 1 : 0);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    const quint64 generation = m_generation;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                const QDBusPendingReply<> reply = *w;
                if (reply.isError()) {
                    qCWarning(Log::hotkeys).noquote()
                        << "keystrokes: the desktop portal did not take a key:"
                        << reply.error().message();
                }
                if (generation != m_generation) {
                    // Keys of the old session were dropped with it; a new one's go out now.
                    m_sending = false;
                    if (m_keys.isEmpty()) {
                        return;
                    }
                }
                sendNextKey();
            });
}
