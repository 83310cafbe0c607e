#include "PortalRegistration.h"

#include "core/Log.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QVariantMap>
#include <utility>

namespace {
const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
} // namespace

PortalRegistration::PortalRegistration(QDBusConnection bus, QString appId, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)), m_appId(std::move(appId)) {
    if (!m_bus.isConnected()) {
        m_outcome = Outcome::NotOffered;
        return;
    }
    // A restart is the portal's name lost and owned again, or taken over by another portal;
    // the portal that our own first call starts (bus activation) only appears, and answers
    // that call.
    auto* restarts = new QDBusServiceWatcher(portalService, m_bus,
                                             QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(restarts, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString& oldOwner, const QString& newOwner) {
                if (newOwner.isEmpty()) {
                    m_portalGone = true;
                    return;
                }
                if (!std::exchange(m_portalGone, false) && oldOwner.isEmpty()) {
                    return;
                }
                qCInfo(Log::hotkeys) << "portal: the desktop portal was restarted; telling it "
                                        "the application id again";
                registerId();
            });
    registerId();
}

void PortalRegistration::registerId() {
    m_outcome = Outcome::Pending;
    m_reason.clear();
    QDBusMessage call = QDBusMessage::createMethodCall(
        portalService, QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.host.portal.Registry"), QStringLiteral("Register"));
    call << m_appId << QVariantMap();
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<> reply = *w;
        if (reply.isError()) {
            std::tie(m_outcome, m_reason) = classify(reply.error(), m_appId);
        } else {
            m_outcome = Outcome::Registered;
        }
        if (m_outcome == Outcome::Refused) {
            qCWarning(Log::hotkeys).noquote()
                << QStringLiteral("portal: the application id %1 was not accepted: %2")
                       .arg(m_appId, reply.error().message());
        }
        Q_EMIT finished();
    });
}

std::pair<PortalRegistration::Outcome, QString>
PortalRegistration::classify(const QDBusError& error, const QString& appId) {
    switch (error.type()) {
    case QDBusError::UnknownMethod:
    case QDBusError::UnknownInterface:
    case QDBusError::UnknownObject:
    case QDBusError::ServiceUnknown:
        return {Outcome::NotOffered, {}};
    default:
        break;
    }
    const QString message = error.message();
    // Someone on this connection (Qt itself) registered first.
    if (message.contains(QStringLiteral("already associated"), Qt::CaseInsensitive)) {
        return {Outcome::Registered, {}};
    }
    if (message.contains(QStringLiteral("App info not found"), Qt::CaseInsensitive)) {
        return {Outcome::Refused,
                QStringLiteral("the desktop portal cannot find Stashwick's desktop file "
                               "(%1.desktop), so it does not let Stashwick ask for anything; "
                               "install Stashwick's package, or put the file into "
                               "~/.local/share/applications")
                    .arg(appId)};
    }
    return {Outcome::Refused,
            QStringLiteral("the desktop portal did not accept Stashwick's application id (%1)")
                .arg(message)};
}
