#pragma once

#include "PortalSession.h"
#include "hotkeys/KeystrokeSynthesizing.h"

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QString>

class UserDefaults;

// Presses the copy and the paste keystroke through the desktop's RemoteDesktop portal
// (org.freedesktop.portal.RemoteDesktop): the way GNOME lets a program press keys in native
// Wayland applications. Over QtDBus, never waiting on the main thread.
//
// start() opens one session, kept for the program's life: the keyboard alone (SelectDevices
// types 1), then Start, on which the desktop asks the user in a dialog. Where the interface is
// version 2 or later the permission is asked to persist (persist_mode 2) and the restore token
// the desktop hands back is kept in the preferences (restoreTokenKey) and offered at the next
// start, so later starts need not ask; GNOME 43's portal is version 1 and asks for every new
// session, so the caller starts the session only once the user wants keys pressed.
//
// Keys are evdev codes sent with NotifyKeyboardKeycode: Control+C and Control+V (which window
// has the focus is not known here, so terminals get the same keys). GNOME runs a custom
// shortcut's command while the user still holds its modifiers, and keys sent then arrive
// combined with them; settleDelay() asks the coordinator to wait settleSeconds first.
class RemoteDesktopKeystrokes final : public QObject, public KeystrokeSynthesizing {
    Q_OBJECT
public:
    enum class State {
        NotStarted,    // start() not called yet, or the session was stopped
        Asking,        // asking the portal; its dialog may be open
        Allowed,       // the desktop lets us press keys
        Refused,       // the user declined, or the desktop ended the session (reason())
        PortalMissing, // no portal, or one without a keyboard to offer (reason())
    };
    Q_ENUM(State)

    // Measured under GNOME: keys sent 0.3 s after a chord held for about 0.15 s arrive
    // without the chord's modifiers.
    static constexpr double settleSeconds = 0.3;
    static const QString restoreTokenKey;

    RemoteDesktopKeystrokes(QDBusConnection bus, UserDefaults& defaults, QObject* parent = nullptr);
    ~RemoteDesktopKeystrokes() override;
    RemoteDesktopKeystrokes(const RemoteDesktopKeystrokes&) = delete;
    RemoteDesktopKeystrokes& operator=(const RemoteDesktopKeystrokes&) = delete;

    // Opens the session and asks the desktop; nothing while asking or allowed already.
    void start();
    // Closes the session: no keys until the next start().
    void stop();

    State state() const { return m_state; }
    // Why the state is Refused or PortalMissing, in a sentence for the user; empty otherwise.
    QString reason() const { return m_reason; }
    // The portal interface's version, 0 until known.
    uint version() const { return m_version; }
    // "not-started", "asking", "allowed", "refused", "portal-missing".
    static QString stateName(State state);

    void sendCopy() override;
    void sendPaste() override;
    bool canPress() const override { return m_state == State::Allowed; }
    double settleDelay() const override { return settleSeconds; }

Q_SIGNALS:
    void stateChanged(RemoteDesktopKeystrokes::State state);

private:
    void setState(State state, const QString& reason = {});
    void createSession();
    void selectDevices();
    void startSession();
    void closeSession();
    void portalOwnerChanged(const QString& oldOwner, const QString& newOwner);
    void sessionClosed();
    // A request for the next step that failed as a call.
    void requestFailed(const QString& why);
    void tap(quint32 modifierKey, quint32 key);
    void sendNextKey();

    // Raises its generation at every start and stop, so that late answers to an older session
    // are dropped.
    PortalSession m_portal;
    UserDefaults& m_defaults;
    State m_state = State::NotStarted;
    QString m_reason;
    uint m_version = 0;
    // The portal now on the bus has answered us: a new owner of its name knows nothing of our
    // session.
    bool m_talking = false;
    // Key events not sent yet. Each goes out once the portal has answered the one before:
    // xdg-desktop-portal handles calls on worker threads, and keys sent together can reach
    // the desktop out of order (a release before its press, Control after the key).
    struct KeyEvent {
        quint32 key = 0; // evdev code
        bool down = false;
    };
    QList<KeyEvent> m_keys;
    bool m_sending = false;
};
