#pragma once

// What applications show, read as a screen reader reads it: the accessibility tree (AT-SPI) on
// the session's accessibility bus, through QtDBus. GTK applications publish theirs whatever
// their display, so this reads a GTK entry on Wayland and the desktop portal's dialog; the
// program's own window publishes its tree as Qt does, and is read and driven the same way.

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// One accessible object: the bus name of its application and its path.
struct AccessibleRef {
    QString service;
    QDBusObjectPath path;
};
Q_DECLARE_METATYPE(AccessibleRef)

inline QDBusArgument& operator<<(QDBusArgument& arg, const AccessibleRef& ref) {
    arg.beginStructure();
    arg << ref.service << ref.path;
    arg.endStructure();
    return arg;
}
inline const QDBusArgument& operator>>(const QDBusArgument& arg, AccessibleRef& ref) {
    arg.beginStructure();
    arg >> ref.service >> ref.path;
    arg.endStructure();
    return arg;
}

class AccessibleText {
public:
    // AT-SPI states (AtspiStateType) the tests look at.
    enum State : uint {
        Active = 1,
        Checked = 4,
        Focused = 12,
        Selectable = 22,
        Selected = 23,
        Sensitive = 24,
        Showing = 25
    };

    bool open(QString* error) {
        qDBusRegisterMetaType<AccessibleRef>();
        qDBusRegisterMetaType<QList<AccessibleRef>>();
        const QDBusReply<QString> address =
            QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
                QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress")));
        if (!address.isValid()) {
            *error = QStringLiteral("no accessibility bus: ") + address.error().message();
            return false;
        }
        m_bus = QDBusConnection::connectToBus(address.value(), QStringLiteral("atspi"));
        if (!m_bus.isConnected()) {
            *error = QStringLiteral("the accessibility bus does not answer: ") +
                     m_bus.lastError().message();
            return false;
        }
        return true;
    }

    // The text of the focused text field of the application `name` running as process `pid`;
    // absent until it has one.
    std::optional<QString> focusedText(const QString& name, qint64 pid) {
        if (m_textPid != pid || !has(m_text, Focused)) {
            m_textPid = 0;
            const auto app = application(name, pid);
            const auto field = app ? find(*app,
                                          [this](const AccessibleRef& r) {
                                              return isTextField(r) && has(r, Focused);
                                          })
                                   : std::nullopt;
            if (!field) {
                return std::nullopt;
            }
            m_text = *field;
            m_textPid = pid;
        }
        // Up to its length: GTK 4's text boxes answer an end of -1 with nothing.
        const QVariant length = property(m_text, QStringLiteral("CharacterCount"),
                                         QStringLiteral("org.a11y.atspi.Text"));
        if (!length.isValid()) {
            return std::nullopt;
        }
        QDBusMessage get = QDBusMessage::createMethodCall(m_text.service, m_text.path.path(),
                                                          QStringLiteral("org.a11y.atspi.Text"),
                                                          QStringLiteral("GetText"));
        get << 0 << length.toInt();
        const QDBusReply<QString> text = m_bus.call(get);
        return text.isValid() ? std::optional<QString>(text.value()) : std::nullopt;
    }

    // Whether the whole text of that field, and nothing less, is selected (false while it is
    // empty).
    bool focusedTextSelected(const QString& name, qint64 pid) {
        const auto text = focusedText(name, pid);
        if (!text || text->isEmpty()) {
            return false;
        }
        QDBusMessage get = QDBusMessage::createMethodCall(m_text.service, m_text.path.path(),
                                                          QStringLiteral("org.a11y.atspi.Text"),
                                                          QStringLiteral("GetSelection"));
        get << 0;
        const QDBusMessage reply = m_bus.call(get);
        const QList<QVariant> range = reply.arguments();
        return reply.type() == QDBusMessage::ReplyMessage && range.size() == 2 &&
               range[0].toInt() == 0 && range[1].toInt() == text->size();
    }

    // GNOME's remote-desktop dialog is up and active with its "Allow remote interaction" row.
    // (GNOME 48 writes both in title case.)
    bool portalDialogShown() {
        return portalItem(u"Remote desktop", Active) &&
               portalItem(u"Allow remote interaction", Sensitive);
    }
    // The keyboard focus is on that row, as GNOME 43 opens the dialog (GNOME 48 puts it on
    // "Remember this selection", and gives the row a mnemonic instead).
    bool interactionFocused() {
        return portalItem(u"Allow remote interaction", Focused).has_value();
    }
    // Its Share button can be pressed: "Allow remote interaction" is on.
    bool shareEnabled() {
        const auto app = application(QStringLiteral("xdg-desktop-portal-gnome"), 0);
        return app && find(*app, [this](const AccessibleRef& r) {
                          return roleName(r) == u"button" && name(r).endsWith(u"Share") &&
                                 has(r, Sensitive);
                      }).has_value();
    }

    // A window of the application `name` running as process `pid` is the active one (it has
    // the keyboard).
    bool windowActive(const QString& appName, qint64 pid) {
        const auto app = application(appName, pid);
        if (!app) {
            return false;
        }
        for (const AccessibleRef& w : children(*app)) {
            if (has(w, Active)) {
                return true;
            }
        }
        return false;
    }

    // A window called `title` of any application is up (the shell's own tree aside).
    bool windowShown(QStringView title) { return window(title).has_value(); }
    // Presses the button called `button` in that window, as its keyboard activation does
    // (the button's first action).
    bool pressButton(QStringView title, QStringView button) {
        const auto w = window(title);
        const auto b = w ? find(*w,
                                [this, button](const AccessibleRef& r) {
                                    return roleName(r) == u"button" &&
                                           name(r).compare(button, Qt::CaseInsensitive) == 0 &&
                                           has(r, Sensitive);
                                })
                         : std::nullopt;
        return b && act(*b, 0);
    }

    // Does the action called `actionName` of `ref`, as a screen reader's command does.
    bool doAction(const AccessibleRef& ref, QStringView actionName) {
        const int count =
            property(ref, QStringLiteral("NActions"), QStringLiteral("org.a11y.atspi.Action"))
                .toInt();
        for (int i = 0; i < count; ++i) {
            QDBusMessage get = QDBusMessage::createMethodCall(
                ref.service, ref.path.path(), QStringLiteral("org.a11y.atspi.Action"),
                QStringLiteral("GetName"));
            get << i;
            const QDBusReply<QString> name = m_bus.call(get);
            if (name.isValid() && name.value() == actionName) {
                return act(ref, i);
            }
        }
        return false;
    }

    // The first object under `from` (itself included) with this role and name.
    std::optional<AccessibleRef> findNamed(const AccessibleRef& from, QStringView role,
                                           QStringView objectName) {
        return find(from, [&](const AccessibleRef& r) {
            return roleName(r) == role && name(r) == objectName;
        });
    }
    // The names of the children of `ref` that are in `state`; each child as "role: name" when
    // no state is given.
    QStringList childNames(const AccessibleRef& ref, std::optional<State> state = std::nullopt) {
        QStringList out;
        for (const AccessibleRef& child : children(ref)) {
            if (!state) {
                out << roleName(child) + QStringLiteral(": ") + name(child);
            } else if (has(child, *state)) {
                out << name(child);
            }
        }
        return out;
    }

    // The application called `name` (from process `pid` unless 0).
    std::optional<AccessibleRef> application(const QString& appName, qint64 pid) {
        const AccessibleRef root{QStringLiteral("org.a11y.atspi.Registry"),
                                 QDBusObjectPath("/org/a11y/atspi/accessible/root")};
        for (const AccessibleRef& app : children(root)) {
            if (name(app) == appName &&
                (pid == 0 || m_bus.interface()->servicePid(app.service).value() == pid)) {
                return app;
            }
        }
        return std::nullopt;
    }

    std::optional<AccessibleRef> find(const AccessibleRef& from,
                                      const std::function<bool(const AccessibleRef&)>& match,
                                      int depth = 0) {
        if (match(from)) {
            return from;
        }
        if (depth < 30) {
            for (const AccessibleRef& child : children(from)) {
                if (const auto found = find(child, match, depth + 1)) {
                    return found;
                }
            }
        }
        return std::nullopt;
    }

    QList<AccessibleRef> children(const AccessibleRef& ref) {
        const QDBusReply<QList<AccessibleRef>> list =
            m_bus.call(accessibleCall(ref, QStringLiteral("GetChildren")));
        if (list.isValid()) {
            return list.value();
        }
        // GTK 4 answers only child by child.
        QList<AccessibleRef> out;
        const int count = property(ref, QStringLiteral("ChildCount")).toInt();
        for (int i = 0; i < count; ++i) {
            QDBusMessage at = accessibleCall(ref, QStringLiteral("GetChildAtIndex"));
            at << i;
            const QDBusReply<AccessibleRef> child = m_bus.call(at);
            if (child.isValid()) {
                out.append(child.value());
            }
        }
        return out;
    }
    QString roleName(const AccessibleRef& ref) {
        const QDBusReply<QString> role =
            m_bus.call(accessibleCall(ref, QStringLiteral("GetRoleName")));
        return role.isValid() ? role.value() : QString();
    }
    QString name(const AccessibleRef& ref) {
        return property(ref, QStringLiteral("Name")).toString();
    }
    bool has(const AccessibleRef& ref, State state) {
        if (ref.service.isEmpty()) {
            return false;
        }
        const QDBusReply<QList<uint>> bits =
            m_bus.call(accessibleCall(ref, QStringLiteral("GetState")));
        if (!bits.isValid()) {
            return false;
        }
        const QList<uint> words = bits.value();
        const uint word = state / 32;
        return word < uint(words.size()) && (words[word] >> (state % 32)) & 1u;
    }

private:
    std::optional<AccessibleRef> window(QStringView title) {
        const AccessibleRef root{QStringLiteral("org.a11y.atspi.Registry"),
                                 QDBusObjectPath("/org/a11y/atspi/accessible/root")};
        for (const AccessibleRef& app : children(root)) {
            if (name(app) == u"gnome-shell") {
                continue;
            }
            for (const AccessibleRef& w : children(app)) {
                if (name(w).compare(title, Qt::CaseInsensitive) == 0) {
                    return w;
                }
            }
        }
        return std::nullopt;
    }

    // An object of the portal's dialogs called `itemName` in `state`. (Role names differ
    // between GTK versions: a GTK 4 dialog is a "window", its check box a "switch".)
    std::optional<AccessibleRef> portalItem(QStringView itemName, State state) {
        const auto app = application(QStringLiteral("xdg-desktop-portal-gnome"), 0);
        if (!app) {
            return std::nullopt;
        }
        return find(*app, [this, itemName, state](const AccessibleRef& r) {
            return name(r).compare(itemName, Qt::CaseInsensitive) == 0 && has(r, state);
        });
    }

    // A text field: "text" to GTK 3, "text box" to GTK 4.
    bool isTextField(const AccessibleRef& ref) {
        const QString role = roleName(ref);
        return role == u"text" || role == u"text box";
    }
    bool act(const AccessibleRef& ref, int index) {
        QDBusMessage call = QDBusMessage::createMethodCall(ref.service, ref.path.path(),
                                                           QStringLiteral("org.a11y.atspi.Action"),
                                                           QStringLiteral("DoAction"));
        call << index;
        const QDBusReply<bool> done = m_bus.call(call);
        return done.isValid() && done.value();
    }
    QDBusMessage accessibleCall(const AccessibleRef& ref, const QString& method) {
        return QDBusMessage::createMethodCall(ref.service, ref.path.path(),
                                              QStringLiteral("org.a11y.atspi.Accessible"), method);
    }
    QVariant property(const AccessibleRef& ref, const QString& name,
                      const QString& interface = QStringLiteral("org.a11y.atspi.Accessible")) {
        QDBusMessage get = QDBusMessage::createMethodCall(
            ref.service, ref.path.path(), QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("Get"));
        get << interface << name;
        const QDBusReply<QDBusVariant> value = m_bus.call(get);
        return value.isValid() ? value.value().variant() : QVariant();
    }

    QDBusConnection m_bus{QString()};
    AccessibleRef m_text;
    qint64 m_textPid = 0;
};
