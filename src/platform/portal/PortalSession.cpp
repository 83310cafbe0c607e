#include "PortalSession.h"

#include "PortalRequest.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QRandomGenerator>
#include <utility>

namespace {
const QString sessionInterface = QStringLiteral("org.freedesktop.portal.Session");
const QString closedSignal = QStringLiteral("Closed");
} // namespace

const QString PortalSession::service = QStringLiteral("org.freedesktop.portal.Desktop");
const QString PortalSession::path = QStringLiteral("/org/freedesktop/portal/desktop");

PortalSession::PortalSession(QDBusConnection bus, QString interface, QString tokenPrefix,
                             QObject* parent)
    : QObject(parent), m_bus(std::move(bus)), m_interface(std::move(interface)),
      m_tokenPrefix(std::move(tokenPrefix)),
      // Tokens name request and session objects under our bus name: another instance on the
      // same connection must not pick the same ones.
      m_tokenBase(QString::number(QRandomGenerator::global()->generate(), 16)) {
    m_watcher =
        new QDBusServiceWatcher(service, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString& oldOwner, const QString& newOwner) {
                Q_EMIT ownerChanged(oldOwner, newOwner);
            });
}

PortalSession::~PortalSession() = default;

void PortalSession::dropRequest() {
    if (m_pending) {
        m_pending->deleteLater();
    }
}

QDBusMessage PortalSession::call(const QString& method) const {
    // To the well-known name: a reply does not reliably carry the portal's unique name (Qt 6.8
    // leaves it empty). A portal that took the name over in between is noticed by the watcher,
    // which drops the answers of the old one.
    return QDBusMessage::createMethodCall(service, path, m_interface, method);
}

QDBusMessage PortalSession::sessionCall(const QString& method) const {
    QDBusMessage message = call(method);
    message << QVariant::fromValue(QDBusObjectPath(m_handle));
    return message;
}

QString PortalSession::whyNoBus() const {
    if (m_bus.isConnected()) {
        return {};
    }
    return QStringLiteral("no session bus: %1").arg(m_bus.lastError().message());
}

void PortalSession::askProperties(const QString& method, const QVariantList& args,
                                  std::function<void(const QDBusPendingCall&)> then) {
    QDBusMessage message = QDBusMessage::createMethodCall(
        service, path, QStringLiteral("org.freedesktop.DBus.Properties"), method);
    message << m_interface;
    for (const QVariant& arg : args) {
        message << arg;
    }
    whenAnswered(m_bus.asyncCall(message), std::move(then));
}

void PortalSession::whenAnswered(const QDBusPendingCall& pending,
                                 std::function<void(const QDBusPendingCall&)> then) {
    auto* watcher = new QDBusPendingCallWatcher(pending, this);
    const quint64 generation = m_generation;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation, then = std::move(then)](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                if (generation == m_generation) {
                    then(*w);
                }
            });
}

QString PortalSession::nextToken(const QString& kind) {
    return QStringLiteral("%1_%2_%3_%4").arg(m_tokenPrefix, kind, m_tokenBase).arg(++m_tokens);
}

PortalRequest* PortalSession::newRequest(const QString& token, Answer answer, Failure failure) {
    dropRequest();
    auto* request = new PortalRequest(m_bus, service, token, this);
    connect(request, &PortalRequest::responded, request, &QObject::deleteLater);
    connect(request, &PortalRequest::failed, request, &QObject::deleteLater);
    m_pending = request;
    const quint64 generation = m_generation;
    connect(request, &PortalRequest::responded, this,
            [this, generation, answer = std::move(answer)](uint code, const QVariantMap& results) {
                if (generation == m_generation) {
                    answer(code, results);
                }
            });
    connect(request, &PortalRequest::failed, this,
            [this, generation, failure = std::move(failure)](const QString& why) {
                if (generation == m_generation) {
                    failure(why);
                }
            });
    return request;
}

void PortalSession::createSession(
    QVariantMap options, const QString& sessionToken,
    std::function<void(uint, const QVariantMap&, const QString&)> answer, Failure failure) {
    const QString token = nextToken(QStringLiteral("request"));
    const QString session =
        sessionToken.isEmpty() ? nextToken(QStringLiteral("session")) : sessionToken;
    const QString predicted =
        QStringLiteral("%1/session/%2/%3").arg(path, PortalRequest::senderElement(m_bus), session);
    PortalRequest* request = newRequest(
        token,
        [predicted, answer = std::move(answer)](uint code, const QVariantMap& results) {
            answer(code, results, predicted);
        },
        std::move(failure));
    options.insert(QStringLiteral("handle_token"), token);
    options.insert(QStringLiteral("session_handle_token"), session);
    QDBusMessage message = call(QStringLiteral("CreateSession"));
    message << options;
    request->send(message);
}

void PortalSession::request(const QString& method, const QVariantList& args, QVariantMap options,
                            Answer answer, Failure failure) {
    const QString token = nextToken(QStringLiteral("request"));
    PortalRequest* request = newRequest(token, std::move(answer), std::move(failure));
    options.insert(QStringLiteral("handle_token"), token);
    QDBusMessage message = sessionCall(method);
    for (const QVariant& arg : args) {
        message << arg;
    }
    message << options;
    request->send(message);
}

void PortalSession::open(const QString& handle) {
    m_handle = handle;
    m_bus.connect(service, m_handle, sessionInterface, closedSignal, this,
                  SLOT(onClosed(QDBusMessage)));
}

void PortalSession::stopListeningForClose() {
    m_bus.disconnect(service, m_handle, sessionInterface, closedSignal, this,
                     SLOT(onClosed(QDBusMessage)));
}

QDBusPendingCall PortalSession::close(CloseReply reply) {
    if (m_handle.isEmpty()) {
        return QDBusPendingCall::fromCompletedCall(QDBusMessage());
    }
    stopListeningForClose();
    // The portal drops the session whether or not anyone waits for its answer.
    const QDBusMessage message = QDBusMessage::createMethodCall(service, m_handle, sessionInterface,
                                                                QStringLiteral("Close"));
    QDBusPendingCall closing = QDBusPendingCall::fromCompletedCall(QDBusMessage());
    if (reply == CloseReply::Awaited) {
        closing = m_bus.asyncCall(message);
    } else {
        m_bus.send(message);
    }
    m_handle.clear();
    return closing;
}

void PortalSession::forget() {
    stopListeningForClose();
    m_handle.clear();
}

void PortalSession::onClosed(const QDBusMessage& message) {
    if (message.path() != m_handle) {
        return;
    }
    forget();
    Q_EMIT closed();
}

bool PortalSession::listen(const QString& signal, QObject* receiver, const char* slot) {
    // QtDBus follows the name to its current owner and accepts the signal only from it.
    return m_bus.connect(service, path, m_interface, signal, receiver, slot);
}

bool PortalSession::unlisten(const QString& signal, QObject* receiver, const char* slot) {
    return m_bus.disconnect(service, path, m_interface, signal, receiver, slot);
}

QString PortalSession::pathOf(const QVariant& value) {
    if (value.userType() == qMetaTypeId<QDBusVariant>()) {
        return pathOf(value.value<QDBusVariant>().variant());
    }
    if (value.userType() == qMetaTypeId<QDBusObjectPath>()) {
        return value.value<QDBusObjectPath>().path();
    }
    return value.toString();
}

QString PortalSession::whyUnreachable(const QDBusError& error, const QString& noInterface) {
    switch (error.type()) {
    case QDBusError::ServiceUnknown:
        return QStringLiteral("no desktop portal runs on the session bus");
    case QDBusError::InvalidArgs:
    case QDBusError::UnknownInterface:
    case QDBusError::UnknownProperty:
    case QDBusError::UnknownObject:
        return noInterface;
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

QString PortalSession::whyRefused(const QString& step, uint code, const QString& cancelled) {
    if (code == 1) {
        return cancelled;
    }
    return QStringLiteral("the desktop refused %1 (response %2)").arg(step).arg(code);
}
