#include "GlobalShortcutsPortal.h"

#include "PortalRequest.h"
#include "core/Log.h"

#include <QDBusArgument>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QPair>
#include <QRandomGenerator>

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString sessionInterface = QStringLiteral("org.freedesktop.portal.Session");

// The shortcuts as the portal's a(sa{sv}).
using DBusShortcuts = QList<QPair<QString, QVariantMap>>;

DBusShortcuts toDBus(const QList<ShortcutTriggers::Shortcut>& shortcuts) {
    DBusShortcuts out;
    out.reserve(shortcuts.size());
    for (const auto& s : shortcuts) {
        QVariantMap properties{{QStringLiteral("description"), s.description}};
        if (!s.preferredTrigger.isEmpty()) {
            properties.insert(QStringLiteral("preferred_trigger"), s.preferredTrigger);
        }
        out.append({s.id, properties});
    }
    return out;
}

DBusShortcuts fromDBus(const QVariant& value) {
    DBusShortcuts list;
    if (value.canConvert<QDBusArgument>()) {
        const auto arg = value.value<QDBusArgument>();
        if (arg.currentSignature() == QLatin1String("a(sa{sv})")) {
            arg >> list;
        }
    } else if (value.canConvert<DBusShortcuts>()) {
        list = value.value<DBusShortcuts>();
    }
    return list;
}

// An object path that came as a string, an object path or a variant of either.
QString pathOf(const QVariant& value) {
    if (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>()) {
        return pathOf(value.value<QDBusVariant>().variant());
    }
    if (value.userType() == qMetaTypeId<QDBusObjectPath>()) {
        return value.value<QDBusObjectPath>().path();
    }
    return value.toString();
}

QString senderElement(const QDBusConnection& bus) {
    QString sender = bus.baseService();
    if (sender.startsWith(QLatin1Char(':'))) {
        sender.remove(0, 1);
    }
    return sender.replace(QLatin1Char('.'), QLatin1Char('_'));
}

QString whyNotOffered(const QDBusError& error) {
    switch (error.type()) {
    case QDBusError::ServiceUnknown:
        return QStringLiteral("no desktop portal runs on the session bus");
    case QDBusError::InvalidArgs:
    case QDBusError::UnknownInterface:
    case QDBusError::UnknownProperty:
    case QDBusError::UnknownObject:
        return QStringLiteral("the desktop offers no GlobalShortcuts portal");
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
        return QStringLiteral("the desktop portal did not answer");
    default:
        break;
    }
    if (error.name().startsWith(QLatin1String("org.freedesktop.DBus.Error.Spawn"))) {
        return QStringLiteral("the desktop portal could not be started: %1").arg(error.message());
    }
    return QStringLiteral("the desktop portal could not be asked: %1 (%2)")
        .arg(error.message(), error.name());
}

QString whyRefused(const QString& step, uint code) {
    if (code == 1) {
        return QStringLiteral("%1 was cancelled on the desktop").arg(step);
    }
    return QStringLiteral("the desktop refused %1 (response %2)").arg(step).arg(code);
}

} // namespace

GlobalShortcutsPortal::GlobalShortcutsPortal(QDBusConnection bus, QString sessionToken,
                                             QObject* parent)
    : QObject(parent), m_bus(std::move(bus)), m_sessionToken(std::move(sessionToken)),
      // Tokens name request and session objects under our bus name: another instance on
      // the same connection must not pick the same ones.
      m_tokenBase(QString::number(QRandomGenerator::global()->generate(), 16)) {
    qDBusRegisterMetaType<QPair<QString, QVariantMap>>();
    qDBusRegisterMetaType<DBusShortcuts>();
    m_watcher = new QDBusServiceWatcher(portalService, m_bus,
                                        QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString& oldOwner, const QString& newOwner) {
                portalOwnerChanged(oldOwner, newOwner);
            });
}

GlobalShortcutsPortal::~GlobalShortcutsPortal() {
    closeSession();
}

bool GlobalShortcutsPortal::isOffered() const {
    switch (m_state) {
    case State::Offered:
    case State::Binding:
    case State::Bound:
    case State::Refused:
        return true;
    case State::Probing:
    case State::NotOffered:
        break;
    }
    return false;
}

QString GlobalShortcutsPortal::stateName(State state) {
    switch (state) {
    case State::Probing:
        return QStringLiteral("probing");
    case State::NotOffered:
        return QStringLiteral("not-offered");
    case State::Offered:
        return QStringLiteral("offered");
    case State::Binding:
        return QStringLiteral("binding");
    case State::Bound:
        return QStringLiteral("bound");
    case State::Refused:
        return QStringLiteral("refused");
    }
    return {};
}

QList<std::pair<QString, QString>> GlobalShortcutsPortal::describedTriggers() const {
    QList<std::pair<QString, QString>> out;
    out.reserve(m_sessionShortcuts.size());
    for (const auto& s : m_sessionShortcuts) {
        out.append({s.description, m_assigned.value(s.id)});
    }
    return out;
}

void GlobalShortcutsPortal::probe() {
    if (m_state == State::Binding || m_state == State::Bound) {
        return;
    }
    ++m_generation;
    if (m_pending) {
        m_pending->deleteLater();
    }
    setState(State::Probing);
    if (!m_bus.isConnected()) {
        setState(State::NotOffered,
                 QStringLiteral("no session bus: %1").arg(m_bus.lastError().message()));
        return;
    }
    QDBusMessage get = QDBusMessage::createMethodCall(
        portalService, portalPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << shortcutsInterface << QStringLiteral("version");
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(get), this);
    const quint64 generation = m_generation;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                if (generation != m_generation) {
                    return;
                }
                const QDBusPendingReply<QDBusVariant> reply = *w;
                if (reply.isError()) {
                    setState(State::NotOffered, whyNotOffered(reply.error()));
                    return;
                }
                m_version = reply.value().variant().toUInt();
                subscribeToPortal();
                setState(State::Offered);
                if (m_wantedSet) {
                    startSession();
                }
            });
}

void GlobalShortcutsPortal::bind(const QList<ShortcutTriggers::Shortcut>& shortcuts) {
    const bool same = m_wantedSet && shortcuts == m_wanted;
    m_wanted = shortcuts;
    m_wantedSet = true;
    if (same && (m_state == State::Binding || m_state == State::Bound)) {
        return;
    }
    if (isOffered()) {
        startSession();
    }
}

void GlobalShortcutsPortal::setState(State state, const QString& reason) {
    const bool changed = state != m_state || reason != m_reason;
    m_state = state;
    m_reason = reason;
    if (!changed) {
        return;
    }
    switch (state) {
    case State::NotOffered:
        qCWarning(Log::hotkeys).noquote() << "chords: no global shortcuts:" << reason;
        break;
    case State::Refused:
        qCWarning(Log::hotkeys).noquote()
            << "chords: the GlobalShortcuts portal did not bind the shortcuts:" << reason;
        break;
    case State::Offered:
        qCInfo(Log::hotkeys).noquote()
            << QStringLiteral("chords: the desktop offers the GlobalShortcuts portal, version %1")
                   .arg(m_version);
        break;
    case State::Bound:
        qCInfo(Log::hotkeys).noquote()
            << QStringLiteral("chords: the desktop bound the shortcuts of session %1")
                   .arg(m_session);
        break;
    case State::Probing:
    case State::Binding:
        break;
    }
    Q_EMIT stateChanged(state);
}

QString GlobalShortcutsPortal::nextToken(const QString& kind) {
    return QStringLiteral("stashwick_%1_%2_%3").arg(kind, m_tokenBase).arg(++m_tokens);
}

QDBusMessage GlobalShortcutsPortal::portalCall(const QString& method) const {
    // To the well-known name: a reply does not reliably carry the portal's unique name (Qt 6.8
    // leaves it empty). A portal that took the name over in between is noticed by the watcher,
    // which drops the answers of the old one.
    return QDBusMessage::createMethodCall(portalService, portalPath, shortcutsInterface, method);
}

PortalRequest* GlobalShortcutsPortal::newRequest(QString* token) {
    *token = nextToken(QStringLiteral("request"));
    if (m_pending) {
        m_pending->deleteLater();
    }
    auto* request = new PortalRequest(m_bus, portalService, *token, this);
    connect(request, &PortalRequest::responded, request, &QObject::deleteLater);
    connect(request, &PortalRequest::failed, request, &QObject::deleteLater);
    m_pending = request;
    return request;
}

void GlobalShortcutsPortal::startSession() {
    const bool open = !m_session.isEmpty();
    const QDBusPendingCall closing = closeSession();
    ++m_generation;
    if (!m_assigned.isEmpty()) {
        m_assigned.clear();
        Q_EMIT triggersChanged();
    }
    m_sessionShortcuts = m_wanted;
    qCInfo(Log::hotkeys).noquote()
        << QStringLiteral("chords: asking the GlobalShortcuts portal for %1 shortcuts")
               .arg(m_sessionShortcuts.size());
    setState(State::Binding);
    if (!open || m_sessionToken.isEmpty()) {
        createSession();
        return;
    }
    // The new session takes the old one's token: it is asked for once the portal has let the
    // old one go.
    auto* watcher = new QDBusPendingCallWatcher(closing, this);
    const quint64 generation = m_generation;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                if (generation == m_generation) {
                    createSession();
                }
            });
}

void GlobalShortcutsPortal::createSession() {
    QString token;
    PortalRequest* request = newRequest(&token);
    const QString sessionToken =
        m_sessionToken.isEmpty() ? nextToken(QStringLiteral("session")) : m_sessionToken;
    const QString predictedSession =
        QStringLiteral("%1/session/%2/%3").arg(portalPath, senderElement(m_bus), sessionToken);
    const quint64 generation = m_generation;
    connect(request, &PortalRequest::responded, this,
            [this, generation, predictedSession](uint code, const QVariantMap& results) {
                if (generation != m_generation) {
                    return;
                }
                if (code != 0) {
                    setState(State::Refused, whyRefused(QStringLiteral("the session"), code));
                    return;
                }
                // KDE 5.27 answers with the shortcuts it registered, and their triggers.
                takeShortcuts(results.value(QStringLiteral("shortcuts")));
                const QString handle = pathOf(results.value(QStringLiteral("session_handle")));
                m_session = handle.isEmpty() ? predictedSession : handle;
                m_bus.connect(portalService, m_session, sessionInterface, QStringLiteral("Closed"),
                              this, SLOT(onSessionClosed(QDBusMessage)));
                bindShortcuts();
            });
    connect(request, &PortalRequest::failed, this, [this, generation](const QString& why) {
        if (generation == m_generation) {
            setState(State::Refused, QStringLiteral("CreateSession failed: %1").arg(why));
        }
    });

    // KDE Plasma 5.27 registers a session's shortcuts only from these options.
    const QVariantMap options{
        {QStringLiteral("handle_token"), token},
        {QStringLiteral("session_handle_token"), sessionToken},
        {QStringLiteral("shortcuts"), QVariant::fromValue(toDBus(m_sessionShortcuts))},
    };
    QDBusMessage call = portalCall(QStringLiteral("CreateSession"));
    call << options;
    request->send(call);
}

void GlobalShortcutsPortal::bindShortcuts() {
    QString token;
    PortalRequest* request = newRequest(&token);
    const quint64 generation = m_generation;
    // A failed binding may still have left the shortcuts of CreateSession registered (KDE
    // 5.27 binds nothing here): the listing decides.
    connect(request, &PortalRequest::responded, this,
            [this, generation](uint code, const QVariantMap& results) {
                if (generation != m_generation) {
                    return;
                }
                if (code == 0) {
                    takeShortcuts(results.value(QStringLiteral("shortcuts")));
                    setState(State::Bound);
                } else {
                    m_reason = whyRefused(QStringLiteral("the shortcuts"), code);
                }
                listShortcuts();
            });
    connect(request, &PortalRequest::failed, this, [this, generation](const QString& why) {
        if (generation == m_generation) {
            m_reason = QStringLiteral("BindShortcuts failed: %1").arg(why);
            listShortcuts();
        }
    });
    QDBusMessage call = portalCall(QStringLiteral("BindShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(m_session))
         << QVariant::fromValue(toDBus(m_sessionShortcuts)) << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token}};
    request->send(call);
}

void GlobalShortcutsPortal::listShortcuts() {
    QString token;
    PortalRequest* request = newRequest(&token);
    const quint64 generation = m_generation;
    const auto settle = [this](bool listed) {
        if (m_state != State::Binding) {
            return;
        }
        if (listed) {
            qCInfo(Log::hotkeys).noquote()
                << "chords: the shortcuts are registered although binding them failed:" << m_reason;
            setState(State::Bound);
        } else {
            setState(State::Refused, m_reason);
        }
    };
    connect(request, &PortalRequest::responded, this,
            [this, generation, settle](uint code, const QVariantMap& results) {
                if (generation == m_generation) {
                    settle(code == 0 && takeShortcuts(results.value(QStringLiteral("shortcuts"))));
                }
            });
    connect(request, &PortalRequest::failed, this, [this, generation, settle](const QString& why) {
        if (generation == m_generation) {
            qCInfo(Log::hotkeys).noquote() << "chords: ListShortcuts failed:" << why;
            settle(false);
        }
    });
    QDBusMessage call = portalCall(QStringLiteral("ListShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(m_session))
         << QVariantMap{{QStringLiteral("handle_token"), token}};
    request->send(call);
}

bool GlobalShortcutsPortal::takeShortcuts(const QVariant& list) {
    const DBusShortcuts shortcuts = fromDBus(list);
    bool changed = false;
    for (const auto& [id, properties] : shortcuts) {
        const QVariant text = properties.value(QStringLiteral("trigger_description"));
        if (!text.isValid()) {
            continue;
        }
        const QString description = text.toString();
        if (m_assigned.value(id) != description || !m_assigned.contains(id)) {
            m_assigned.insert(id, description);
            changed = true;
        }
    }
    if (changed) {
        Q_EMIT triggersChanged();
    }
    return !shortcuts.isEmpty();
}

QDBusPendingCall GlobalShortcutsPortal::closeSession() {
    if (m_session.isEmpty()) {
        return QDBusPendingCall::fromCompletedCall(QDBusMessage());
    }
    m_bus.disconnect(portalService, m_session, sessionInterface, QStringLiteral("Closed"), this,
                     SLOT(onSessionClosed(QDBusMessage)));
    // The portal drops the session whether or not anyone waits for its answer.
    const QDBusPendingCall closing = m_bus.asyncCall(QDBusMessage::createMethodCall(
        portalService, m_session, sessionInterface, QStringLiteral("Close")));
    m_session.clear();
    return closing;
}

void GlobalShortcutsPortal::subscribeToPortal() {
    unsubscribeFromPortal();
    // QtDBus follows the name to its current owner and accepts these signals only from it.
    m_bus.connect(portalService, portalPath, shortcutsInterface, QStringLiteral("Activated"), this,
                  SLOT(onActivated(QDBusMessage)));
    m_bus.connect(portalService, portalPath, shortcutsInterface, QStringLiteral("ShortcutsChanged"),
                  this, SLOT(onShortcutsChanged(QDBusMessage)));
    m_subscribed = true;
}

void GlobalShortcutsPortal::unsubscribeFromPortal() {
    if (!m_subscribed) {
        return;
    }
    m_bus.disconnect(portalService, portalPath, shortcutsInterface, QStringLiteral("Activated"),
                     this, SLOT(onActivated(QDBusMessage)));
    m_bus.disconnect(portalService, portalPath, shortcutsInterface,
                     QStringLiteral("ShortcutsChanged"), this,
                     SLOT(onShortcutsChanged(QDBusMessage)));
    m_subscribed = false;
}

void GlobalShortcutsPortal::portalOwnerChanged(const QString& oldOwner, const QString& newOwner) {
    if (oldOwner.isEmpty() && (m_subscribed || m_state == State::Probing)) {
        // The name had no owner: our own probe started the portal, and the probe in flight
        // answers, or has answered, for it.
        return;
    }
    // The session went with the old portal; a new one knows nothing of it.
    m_bus.disconnect(portalService, m_session, sessionInterface, QStringLiteral("Closed"), this,
                     SLOT(onSessionClosed(QDBusMessage)));
    m_session.clear();
    unsubscribeFromPortal();
    ++m_generation;
    if (!m_assigned.isEmpty()) {
        m_assigned.clear();
        Q_EMIT triggersChanged();
    }
    if (newOwner.isEmpty()) {
        setState(State::NotOffered, QStringLiteral("the desktop portal has gone away"));
        return;
    }
    qCInfo(Log::hotkeys) << "chords: the desktop portal was restarted; asking it again";
    setState(State::Probing);
    probe();
}

void GlobalShortcutsPortal::onActivated(const QDBusMessage& message) {
    const QVariantList args = message.arguments();
    if (args.size() < 2 || m_session.isEmpty() || pathOf(args[0]) != m_session) {
        return;
    }
    const QString id = args[1].toString();
    qCDebug(Log::hotkeys).noquote() << "chords: the desktop activated" << id;
    Q_EMIT activated(id);
}

void GlobalShortcutsPortal::onShortcutsChanged(const QDBusMessage& message) {
    const QVariantList args = message.arguments();
    if (args.size() < 2 || m_session.isEmpty() || pathOf(args[0]) != m_session) {
        return;
    }
    // The session's shortcuts as the desktop holds them: bound, whatever the answer to the
    // binding said (GNOME 48.0 answers a successful one with response 2).
    if (takeShortcuts(args[1]) && (m_state == State::Binding || m_state == State::Refused)) {
        qCInfo(Log::hotkeys) << "chords: the desktop reports the shortcuts bound";
        setState(State::Bound);
    }
}

void GlobalShortcutsPortal::onSessionClosed(const QDBusMessage& message) {
    if (message.path() != m_session) {
        return;
    }
    m_bus.disconnect(portalService, m_session, sessionInterface, QStringLiteral("Closed"), this,
                     SLOT(onSessionClosed(QDBusMessage)));
    m_session.clear();
    ++m_generation;
    setState(State::Refused, QStringLiteral("the desktop closed the shortcuts session"));
}
