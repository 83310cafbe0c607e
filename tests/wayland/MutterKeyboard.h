#pragma once

// The user's keyboard in a headless mutter session: a session of Mutter's own remote-desktop
// D-Bus API (org.gnome.Mutter.RemoteDesktop), kept while this object lives. Its keyboard is
// also the seat's keyboard, which headless mutter otherwise lacks. Keys are evdev codes
// (<linux/input-event-codes.h>); each call waits for mutter's answer.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QList>
#include <QString>
#include <linux/input-event-codes.h>

class MutterKeyboard {
public:
    MutterKeyboard() = default;
    ~MutterKeyboard() {
        if (!m_session.isEmpty()) {
            call(QStringLiteral("Stop"), {});
        }
    }
    MutterKeyboard(const MutterKeyboard&) = delete;
    MutterKeyboard& operator=(const MutterKeyboard&) = delete;

    bool open(QString* error) {
        const QDBusMessage create = QDBusMessage::createMethodCall(
            service, QStringLiteral("/org/gnome/Mutter/RemoteDesktop"), service,
            QStringLiteral("CreateSession"));
        const QDBusReply<QDBusObjectPath> session = m_bus.call(create);
        if (!session.isValid()) {
            *error =
                QStringLiteral("no Mutter remote-desktop session: ") + session.error().message();
            return false;
        }
        m_session = session.value().path();
        if (!call(QStringLiteral("Start"), {}, error)) {
            return false;
        }
        // The first key of a new keyboard device is lost.
        tap(KEY_LEFTSHIFT);
        return true;
    }

    void press(quint32 key) { notify(key, true); }
    void release(quint32 key) { notify(key, false); }
    // Presses the modifier keys, taps `key` and lets go again, as a person does.
    void tap(quint32 key, const QList<quint32>& modifiers = {}) {
        for (const quint32 m : modifiers) {
            press(m);
        }
        press(key);
        release(key);
        for (auto m = modifiers.crbegin(); m != modifiers.crend(); ++m) {
            release(*m);
        }
    }

private:
    static inline const QString service = QStringLiteral("org.gnome.Mutter.RemoteDesktop");

    void notify(quint32 key, bool down) {
        call(QStringLiteral("NotifyKeyboardKeycode"), {key, down});
    }
    bool call(const QString& method, const QVariantList& args, QString* error = nullptr) {
        QDBusMessage m = QDBusMessage::createMethodCall(
            service, m_session, QStringLiteral("org.gnome.Mutter.RemoteDesktop.Session"), method);
        m.setArguments(args);
        const QDBusMessage reply = m_bus.call(m);
        if (reply.type() == QDBusMessage::ErrorMessage) {
            const QString why = method + QStringLiteral(": ") + reply.errorMessage();
            if (error) {
                *error = why;
            } else {
                qWarning("test keyboard: %s", qPrintable(why));
            }
            return false;
        }
        return true;
    }

    QDBusConnection m_bus = QDBusConnection::sessionBus();
    QString m_session;
};
