#include "PortalRequest.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
} // namespace

PortalRequest::PortalRequest(QDBusConnection bus, QString portalService, QString handleToken,
                             QObject* parent)
    : QObject(parent), m_bus(std::move(bus)), m_service(std::move(portalService)) {
    subscribe(predictedPath(m_bus, handleToken));
}

PortalRequest::~PortalRequest() {
    unsubscribe();
}

QString PortalRequest::predictedPath(const QDBusConnection& bus, const QString& token) {
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
        .arg(senderElement(bus), token);
}

QString PortalRequest::senderElement(const QDBusConnection& bus) {
    QString sender = bus.baseService();
    if (sender.startsWith(QLatin1Char(':'))) {
        sender.remove(0, 1);
    }
    return sender.replace(QLatin1Char('.'), QLatin1Char('_'));
}

void PortalRequest::send(const QDBusMessage& call) {
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* w) { onReply(w); });
}

void PortalRequest::onReply(QDBusPendingCallWatcher* watcher) {
    watcher->deleteLater();
    if (m_done) {
        return;
    }
    const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
    if (reply.isError()) {
        m_done = true;
        unsubscribe();
        Q_EMIT failed(reply.error().message().isEmpty() ? reply.error().name()
                                                        : reply.error().message());
        return;
    }
    // Portals before the predictable handle answered with a path of their own.
    const QString handle = reply.value().path();
    if (handle != m_path) {
        unsubscribe();
        subscribe(handle);
    }
}

void PortalRequest::onResponse(const QDBusMessage& message) {
    if (m_done) {
        return;
    }
    const QVariantList args = message.arguments();
    if (args.size() < 2 || !args[0].canConvert<uint>()) {
        return;
    }
    m_done = true;
    unsubscribe();
    Q_EMIT responded(args[0].toUInt(), qdbus_cast<QVariantMap>(args[1]));
}

void PortalRequest::subscribe(const QString& path) {
    m_path = path;
    m_bus.connect(m_service, m_path, requestInterface, QStringLiteral("Response"), this,
                  SLOT(onResponse(QDBusMessage)));
}

void PortalRequest::unsubscribe() {
    if (m_path.isEmpty()) {
        return;
    }
    m_bus.disconnect(m_service, m_path, requestInterface, QStringLiteral("Response"), this,
                     SLOT(onResponse(QDBusMessage)));
    m_path.clear();
}
