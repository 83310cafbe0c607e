#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

class QDBusMessage;
class QDBusPendingCallWatcher;

// One call of a desktop portal method that answers through a Request object: the Response
// signal is subscribed on the request's predictable path (built from our unique bus name
// and the handle_token given in the call) before the call goes out, so that a quick answer
// is never missed; a portal that answers with another handle is followed there. Nothing
// blocks: the call's reply and the Response arrive as events.
class PortalRequest : public QObject {
    Q_OBJECT
public:
    // The Response is taken only from `portalService` (the portal's unique bus name).
    PortalRequest(QDBusConnection bus, QString portalService, QString handleToken,
                  QObject* parent = nullptr);
    ~PortalRequest() override;

    // "/org/freedesktop/portal/desktop/request/1_42/<token>".
    static QString predictedPath(const QDBusConnection& bus, const QString& token);
    // Our unique bus name as the portal puts it into object paths: ":1.42" is "1_42".
    static QString senderElement(const QDBusConnection& bus);

    // Sends the call; exactly one of responded() and failed() follows, unless the
    // Response never comes (a dialog left open).
    void send(const QDBusMessage& call);

Q_SIGNALS:
    // 0: success, 1: cancelled by the user, 2: ended another way.
    void responded(uint code, const QVariantMap& results);
    // The call itself failed; `why` is D-Bus's error message.
    void failed(const QString& why);

private Q_SLOTS:
    void onResponse(const QDBusMessage& message);

private:
    void subscribe(const QString& path);
    void unsubscribe();
    void onReply(QDBusPendingCallWatcher* watcher);

    QDBusConnection m_bus;
    QString m_service;
    QString m_path;
    bool m_done = false;
};
