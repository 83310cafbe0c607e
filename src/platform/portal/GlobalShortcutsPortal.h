#pragma once

#include "PortalSession.h"
#include "ShortcutTriggers.h"

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QHash>
#include <QObject>
#include <QString>
#include <utility>

class QDBusMessage;

// Global shortcuts through the desktop's org.freedesktop.portal.GlobalShortcuts, over
// QtDBus and never waiting on the main thread: probe() asks whether the session bus's
// portal offers the interface, bind() creates a session carrying the shortcuts (KDE 5.27
// takes them only from CreateSession's options), binds them there too, and reads back the
// triggers the desktop assigned. A shortcut the desktop reports as activated comes out of
// activated(). Binding another list closes the session and starts a new one, since a
// session binds once. A portal that goes away or comes back is probed again and the
// shortcuts bound anew.
class GlobalShortcutsPortal : public QObject {
    Q_OBJECT
public:
    enum class State {
        Probing,    // asking the portal
        NotOffered, // no portal, or one without GlobalShortcuts (see reason())
        Offered,    // the portal is there; nothing bound yet
        Binding,    // the session is being made and the shortcuts bound
        Bound,      // the desktop took the shortcuts
        Refused,    // the portal is there but the session or the binding failed (reason())
    };
    Q_ENUM(State)

    // `sessionToken` names every session this object makes (one at a time: a new one is
    // asked for once the portal has closed the one before). KDE 5.27 files a session's
    // shortcuts, and their keys, under that name, so a program that uses the same name at
    // every start finds its shortcuts again. Empty: a new name for each session.
    explicit GlobalShortcutsPortal(QDBusConnection bus, QString sessionToken = {},
                                   QObject* parent = nullptr);
    ~GlobalShortcutsPortal() override;

    // Asks (again) whether the portal offers GlobalShortcuts. Once it does, shortcuts
    // given to bind() are bound.
    void probe();
    // The shortcuts to hold; takes effect as soon as the portal is known to be there.
    void bind(const QList<ShortcutTriggers::Shortcut>& shortcuts);

    State state() const { return m_state; }
    // Why the state is NotOffered or Refused; empty otherwise.
    QString reason() const { return m_reason; }
    // Whether the portal is known to offer GlobalShortcuts.
    bool isOffered() const;
    // The interface's version, 0 until known.
    uint version() const { return m_version; }
    // Shortcut id → the trigger as the desktop describes it ("Ctrl+Alt+3"); shortcuts the
    // desktop did not describe are absent.
    QHash<QString, QString> assignedTriggers() const { return m_assigned; }
    // (description, assigned trigger) for each shortcut of the current session in its order;
    // the trigger is empty where the desktop described none.
    QList<std::pair<QString, QString>> describedTriggers() const;
    // "probing", "not-offered", "offered", "binding", "bound", "refused".
    static QString stateName(State state);

Q_SIGNALS:
    void stateChanged(GlobalShortcutsPortal::State state);
    void triggersChanged();
    void activated(const QString& shortcutId);

private Q_SLOTS:
    void onActivated(const QDBusMessage& message);
    void onShortcutsChanged(const QDBusMessage& message);

private:
    void setState(State state, const QString& reason = {});
    void startSession();
    void createSession();
    void bindShortcuts();
    void listShortcuts();
    // Asks the portal to close the session; the answer tells when it has.
    QDBusPendingCall closeSession();
    void subscribeToPortal();
    void unsubscribeFromPortal();
    void portalOwnerChanged(const QString& oldOwner, const QString& newOwner);
    void sessionClosed();
    // Reads a list of (id, properties) into m_assigned; true when it named any shortcut.
    bool takeShortcuts(const QVariant& list);

    // Raises its generation at every new probe or session, so that late answers to older ones
    // are dropped.
    PortalSession m_portal;
    QString m_sessionToken;
    State m_state = State::Probing;
    QString m_reason;
    uint m_version = 0;
    // Listening to the signals of the portal that answered the probe.
    bool m_subscribed = false;
    QList<ShortcutTriggers::Shortcut> m_wanted;
    bool m_wantedSet = false;
    // The list the current session was made with.
    QList<ShortcutTriggers::Shortcut> m_sessionShortcuts;
    QHash<QString, QString> m_assigned;
};
