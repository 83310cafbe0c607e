#include "GlobalShortcutsPortal.h"

#include "core/Log.h"

#include <QDBusArgument>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QPair>

namespace {

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

QString whyNotOffered(const QDBusError& error) {
    if (error.name().startsWith(QLatin1String("org.freedesktop.DBus.Error.Spawn"))) {
        return QStringLiteral("the desktop portal could not be started: %1").arg(error.message());
    }
    return PortalSession::whyUnreachable(
        error, QStringLiteral("the desktop offers no GlobalShortcuts portal"));
}

QString whyRefused(const QString& step, uint code) {
    return PortalSession::whyRefused(step, code,
                                     QStringLiteral("%1 was cancelled on the desktop").arg(step));
}

} // namespace

GlobalShortcutsPortal::GlobalShortcutsPortal(QDBusConnection bus, QString sessionToken,
                                             QObject* parent)
    : QObject(parent),
      m_portal(std::move(bus), QStringLiteral("org.freedesktop.portal.GlobalShortcuts"),
               QStringLiteral("stashwick")),
      m_sessionToken(std::move(sessionToken)) {
    qDBusRegisterMetaType<QPair<QString, QVariantMap>>();
    qDBusRegisterMetaType<DBusShortcuts>();
    connect(&m_portal, &PortalSession::ownerChanged, this,
            &GlobalShortcutsPortal::portalOwnerChanged);
    connect(&m_portal, &PortalSession::closed, this, &GlobalShortcutsPortal::sessionClosed);
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
    m_portal.newGeneration();
    m_portal.dropRequest();
    setState(State::Probing);
    if (const QString why = m_portal.whyNoBus(); !why.isEmpty()) {
        setState(State::NotOffered, why);
        return;
    }
    const QVariantList property{QStringLiteral("version")};
    m_portal.askProperties(QStringLiteral("Get"), property, [this](const QDBusPendingCall& call) {
        const QDBusPendingReply<QDBusVariant> reply = call;
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
                   .arg(m_portal.handle());
        break;
    case State::Probing:
    case State::Binding:
        break;
    }
    Q_EMIT stateChanged(state);
}

void GlobalShortcutsPortal::startSession() {
    const bool open = m_portal.isOpen();
    const QDBusPendingCall closing = closeSession();
    m_portal.newGeneration();
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
    m_portal.whenAnswered(closing, [this](const QDBusPendingCall&) { createSession(); });
}

void GlobalShortcutsPortal::createSession() {
    // KDE Plasma 5.27 registers a session's shortcuts only from these options.
    const QVariantMap options{
        {QStringLiteral("shortcuts"), QVariant::fromValue(toDBus(m_sessionShortcuts))},
    };
    m_portal.createSession(
        options, m_sessionToken,
        [this](uint code, const QVariantMap& results, const QString& predictedHandle) {
            if (code != 0) {
                setState(State::Refused, whyRefused(QStringLiteral("the session"), code));
                return;
            }
            // KDE 5.27 answers with the shortcuts it registered, and their triggers.
            takeShortcuts(results.value(QStringLiteral("shortcuts")));
            const QString handle =
                PortalSession::pathOf(results.value(QStringLiteral("session_handle")));
            m_portal.open(handle.isEmpty() ? predictedHandle : handle);
            bindShortcuts();
        },
        [this](const QString& why) {
            setState(State::Refused, QStringLiteral("CreateSession failed: %1").arg(why));
        });
}

void GlobalShortcutsPortal::bindShortcuts() {
    // A failed binding may still have left the shortcuts of CreateSession registered (KDE
    // 5.27 binds nothing here): the listing decides.
    m_portal.request(
        QStringLiteral("BindShortcuts"),
        {QVariant::fromValue(toDBus(m_sessionShortcuts)), QString()}, {},
        [this](uint code, const QVariantMap& results) {
            if (code == 0) {
                takeShortcuts(results.value(QStringLiteral("shortcuts")));
                setState(State::Bound);
            } else {
                m_reason = whyRefused(QStringLiteral("the shortcuts"), code);
            }
            listShortcuts();
        },
        [this](const QString& why) {
            m_reason = QStringLiteral("BindShortcuts failed: %1").arg(why);
            listShortcuts();
        });
}

void GlobalShortcutsPortal::listShortcuts() {
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
    m_portal.request(
        QStringLiteral("ListShortcuts"), {}, {},
        [this, settle](uint code, const QVariantMap& results) {
            settle(code == 0 && takeShortcuts(results.value(QStringLiteral("shortcuts"))));
        },
        [settle](const QString& why) {
            qCInfo(Log::hotkeys).noquote() << "chords: ListShortcuts failed:" << why;
            settle(false);
        });
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
    return m_portal.close(PortalSession::CloseReply::Awaited);
}

void GlobalShortcutsPortal::subscribeToPortal() {
    unsubscribeFromPortal();
    m_portal.listen(QStringLiteral("Activated"), this, SLOT(onActivated(QDBusMessage)));
    m_portal.listen(QStringLiteral("ShortcutsChanged"), this,
                    SLOT(onShortcutsChanged(QDBusMessage)));
    m_subscribed = true;
}

void GlobalShortcutsPortal::unsubscribeFromPortal() {
    if (!m_subscribed) {
        return;
    }
    m_portal.unlisten(QStringLiteral("Activated"), this, SLOT(onActivated(QDBusMessage)));
    m_portal.unlisten(QStringLiteral("ShortcutsChanged"), this,
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
    m_portal.forget();
    unsubscribeFromPortal();
    m_portal.newGeneration();
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
    if (args.size() < 2 || !m_portal.isOpen() ||
        PortalSession::pathOf(args[0]) != m_portal.handle()) {
        return;
    }
    const QString id = args[1].toString();
    qCDebug(Log::hotkeys).noquote() << "chords: the desktop activated" << id;
    Q_EMIT activated(id);
}

void GlobalShortcutsPortal::onShortcutsChanged(const QDBusMessage& message) {
    const QVariantList args = message.arguments();
    if (args.size() < 2 || !m_portal.isOpen() ||
        PortalSession::pathOf(args[0]) != m_portal.handle()) {
        return;
    }
    // The session's shortcuts as the desktop holds them: bound, whatever the answer to the
    // binding said (GNOME 48.0 answers a successful one with response 2).
    if (takeShortcuts(args[1]) && (m_state == State::Binding || m_state == State::Refused)) {
        qCInfo(Log::hotkeys) << "chords: the desktop reports the shortcuts bound";
        setState(State::Bound);
    }
}

void GlobalShortcutsPortal::sessionClosed() {
    m_portal.newGeneration();
    setState(State::Refused, QStringLiteral("the desktop closed the shortcuts session"));
}
