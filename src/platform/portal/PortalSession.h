#pragma once

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <functional>

class PortalRequest;
class QDBusError;
class QDBusMessage;
class QDBusServiceWatcher;

// The plumbing of one session with one interface of the desktop portal
// (org.freedesktop.portal.Desktop), for a client that keeps the rest: it watches who owns the
// portal's name, names requests and sessions with tokens of its own, sends calls and takes their
// Response, holds the session's handle and hears when the desktop closes it, and closes it.
//
// Every answer is dropped once a newer generation has begun (newGeneration()), so that what
// an older probe, session or stop asked for cannot reach a newer one.
class PortalSession : public QObject {
    Q_OBJECT
public:
    // The answer to a request: 0 success, 1 cancelled by the user, 2 ended another way.
    using Answer = std::function<void(uint code, const QVariantMap& results)>;
    // The call itself failed; `why` is D-Bus's error message.
    using Failure = std::function<void(const QString& why)>;
    // Whether Close waits for the portal's reply.
    enum class CloseReply { Awaited, NotAwaited };

    static const QString service;
    static const QString path;

    // `interface` ("org.freedesktop.portal.GlobalShortcuts") is what calls and signals go to;
    // `tokenPrefix` starts every token this session names ("stashwick").
    PortalSession(QDBusConnection bus, QString interface, QString tokenPrefix,
                  QObject* parent = nullptr);
    ~PortalSession() override;
    PortalSession(const PortalSession&) = delete;
    PortalSession& operator=(const PortalSession&) = delete;

    QDBusConnection bus() const { return m_bus; }

    quint64 generation() const { return m_generation; }
    // Drops every answer still to come.
    void newGeneration() { ++m_generation; }
    // Drops the request still waiting for its Response, if any.
    void dropRequest();

    // Why the session bus cannot be reached; empty where it can.
    QString whyNoBus() const;

    // A call of the interface's `method`, to the portal's well-known name.
    QDBusMessage call(const QString& method) const;
    // The same with the session's handle as the first argument.
    QDBusMessage sessionCall(const QString& method) const;
    // org.freedesktop.DBus.Properties' `method` ("Get", "GetAll") for the interface, with `args`
    // after its name; `then` as with whenAnswered().
    void askProperties(const QString& method, const QVariantList& args,
                       std::function<void(const QDBusPendingCall&)> then);
    // Runs `then` with the pending call once its reply has come, unless a newer generation
    // began first.
    void whenAnswered(const QDBusPendingCall& pending,
                      std::function<void(const QDBusPendingCall&)> then);

    // CreateSession with `options` and a handle and session token of our own (`sessionToken`,
    // or a new one when empty); `answer` also gets the handle the session is expected at.
    void createSession(QVariantMap options, const QString& sessionToken,
                       std::function<void(uint, const QVariantMap&, const QString&)> answer,
                       Failure failure);
    // The session's `method` with the handle, `args` and `options` (given a handle token).
    void request(const QString& method, const QVariantList& args, QVariantMap options,
                 Answer answer, Failure failure);

    bool isOpen() const { return !m_handle.isEmpty(); }
    QString handle() const { return m_handle; }
    // Takes `handle` as the session and listens for the desktop closing it.
    void open(const QString& handle);
    // Asks the portal to close the session and forgets it; with CloseReply::Awaited the
    // returned call tells when the portal has. Nothing when no session is open.
    QDBusPendingCall close(CloseReply reply);
    // Forgets the session without asking the portal (a portal gone took it along).
    void forget();

    // Connects the interface's `signal` to `slot` of `receiver`, or disconnects it.
    bool listen(const QString& signal, QObject* receiver, const char* slot);
    bool unlisten(const QString& signal, QObject* receiver, const char* slot);

    // An object path that came as a string, an object path or a variant of either.
    static QString pathOf(const QVariant& value);
    // Why the portal could not be asked; `noInterface` where it lacks the interface.
    static QString whyUnreachable(const QDBusError& error, const QString& noInterface);
    // Why a request answered `code` for `step`; `cancelled` where the user cancelled.
    static QString whyRefused(const QString& step, uint code, const QString& cancelled);

Q_SIGNALS:
    // The owner of the portal's name changed (an empty name: none).
    void ownerChanged(const QString& oldOwner, const QString& newOwner);
    // The desktop closed the open session; it is forgotten.
    void closed();

private Q_SLOTS:
    void onClosed(const QDBusMessage& message);

private:
    // The request named `token`, replacing the one still waiting; its Response goes to
    // `answer`, a failed call to `failure`, unless a newer generation began.
    PortalRequest* newRequest(const QString& token, Answer answer, Failure failure);
    QString nextToken(const QString& kind);
    void stopListeningForClose();

    QDBusConnection m_bus;
    QString m_interface;
    QString m_tokenPrefix;
    QDBusServiceWatcher* m_watcher = nullptr;
    QString m_handle;
    QPointer<PortalRequest> m_pending;
    quint64 m_generation = 0;
    QString m_tokenBase;
    quint64 m_tokens = 0;
};
