#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <utility>

class QDBusError;

// Tells the desktop portal which application a session bus connection belongs to. A program
// outside a sandbox has no application id the portal could find by itself, and
// xdg-desktop-portal 1.22 refuses sessions without one; org.freedesktop.host.portal.Registry
// (1.19 and later) takes it once per connection, provided a desktop file of that name is
// installed. The call goes out at construction and is not waited for: D-Bus keeps the order of
// one connection's messages, so every portal call sent afterwards on the same connection
// reaches the portal after the registration. Older portals have no registry and need none;
// Qt 6.9 and later register the application's desktop file name themselves, which makes ours
// the second registration, as good as the first. The portal keeps the id only as long as it
// runs: a portal that restarts (an update, a crash) is told again as soon as it is back, before
// the portal clients, which ask it again only after a first answer, send it anything else.
class PortalRegistration : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        Pending,    // no answer yet
        Registered, // by us, or already by Qt
        NotOffered, // no registry (an older portal) or no portal: nothing to register with
        Refused,    // the portal has the registry and refused the id (reason())
    };
    Q_ENUM(Outcome)

    PortalRegistration(QDBusConnection bus, QString appId, QObject* parent = nullptr);

    Outcome outcome() const { return m_outcome; }
    // For Refused, why in plain words; empty otherwise.
    QString reason() const { return m_reason; }
    // The outcome an error reply to Register means, and its reason.
    static std::pair<Outcome, QString> classify(const QDBusError& error, const QString& appId);

Q_SIGNALS:
    void finished();

private:
    void registerId();

    QDBusConnection m_bus;
    QString m_appId;
    Outcome m_outcome = Outcome::Pending;
    // The portal's name was lost since it was last told the id.
    bool m_portalGone = false;
    QString m_reason;
};
