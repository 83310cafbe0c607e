// RemoteDesktopKeystrokes against a desktop portal of the test's own on a private session bus
// that activates no service (dbus-run-session with private-bus.conf): what GNOME 43's portal
// cannot show here, as the interface describes it. From version 2 the permission is asked to
// persist and the restore token comes back into the next session; version 1 gets neither. A
// refusal, a keyboard left out and a missing portal leave the keys off with a reason. Key
// events go out one at a time, each after the portal answered the one before.
#include "core/UserDefaults.h"
#include "platform/portal/RemoteDesktopKeystrokes.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <linux/input-event-codes.h>

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString remoteInterface = QStringLiteral("org.freedesktop.portal.RemoteDesktop");

// The portal frontend's side of org.freedesktop.portal.RemoteDesktop: requests answered through
// Response signals on the caller's request paths, the user's answer to Start set by the test,
// and every key event held until the test lets the portal answer it.
class FakePortal final : public QDBusVirtualObject {
public:
    explicit FakePortal(QDBusConnection bus) : m_bus(std::move(bus)) {}

    uint version = 2;
    uint availableDevices = 7;
    // The user's answer in the dialog.
    uint startResponse = 0;
    uint allowedDevices = 1;
    QString restoreToken;
    // How CreateSession's answer carries the session's handle.
    enum HandleForm { AsString, AsObjectPath, AsVariant };
    int handleForm = AsString;

    QVariantMap selectOptions;
    // The handle CreateSession gave, and the session Start was called for.
    QString createdSession;
    QString startedSession;
    int sessionsCreated = 0;
    struct Key {
        int code = 0;
        uint state = 0;
    };
    QList<Key> keys;
    QList<QDBusMessage> unanswered;

    void answerKeys() {
        for (const QDBusMessage& call : std::exchange(unanswered, {})) {
            m_bus.send(call.createReply());
        }
    }

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override {
        const QString member = message.member();
        const QVariantList args = message.arguments();
        if (message.interface() == u"org.freedesktop.DBus.Properties" && member == u"GetAll") {
            if (args.value(0).toString() != remoteInterface) {
                m_bus.send(message.createErrorReply(QDBusError::UnknownInterface, "no"));
                return true;
            }
            m_bus.send(message.createReply(
                QVariantMap{{QStringLiteral("version"), version},
                            {QStringLiteral("AvailableDeviceTypes"), availableDevices}}));
            return true;
        }
        if (message.interface() != remoteInterface) {
            return false;
        }
        if (member == u"NotifyKeyboardKeycode") {
            keys.append({args.value(2).toInt(), args.value(3).toUInt()});
            message.setDelayedReply(true);
            unanswered.append(message);
            return true;
        }
        const QVariantMap options = qdbus_cast<QVariantMap>(args.last());
        const QString sender = message.service().mid(1).replace(u'.', u'_');
        const QString handle =
            QStringLiteral("%1/request/%2/%3")
                .arg(portalPath, sender, options.value(QStringLiteral("handle_token")).toString());
        QVariantMap results;
        uint response = 0;
        if (member == u"CreateSession") {
            ++sessionsCreated;
            createdSession =
                QStringLiteral("%1/session/%2/%3")
                    .arg(portalPath, sender,
                         options.value(QStringLiteral("session_handle_token")).toString());
            const QVariant path = QVariant::fromValue(QDBusObjectPath(createdSession));
            results.insert(QStringLiteral("session_handle"),
                           handleForm == AsObjectPath ? path
                           : handleForm == AsVariant  ? QVariant::fromValue(QDBusVariant(path))
                                                      : QVariant(createdSession));
        } else if (member == u"SelectDevices") {
            selectOptions = options;
        } else if (member == u"Start") {
            startedSession = qdbus_cast<QDBusObjectPath>(args.value(0)).path();
            response = startResponse;
            if (response == 0) {
                results.insert(QStringLiteral("devices"), allowedDevices);
                if (!restoreToken.isEmpty()) {
                    results.insert(QStringLiteral("restore_token"), restoreToken);
                }
            }
        } else {
            return false;
        }
        m_bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(handle))));
        QDBusMessage answer = QDBusMessage::createSignal(
            handle, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        answer << response << results;
        QTimer::singleShot(0, [bus = m_bus, answer]() mutable { bus.send(answer); });
        return true;
    }

private:
    QDBusConnection m_bus;
};

} // namespace

class RemoteDesktopPortalTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<QDBusConnection> m_portalBus;
    std::unique_ptr<FakePortal> m_portal;

    QDBusConnection client() {
        return QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                             QStringLiteral("client%1").arg(++m_clients));
    }
    int m_clients = 0;

    static bool settles(RemoteDesktopKeystrokes& keys) {
        return QTest::qWaitFor([&] {
            return keys.state() != RemoteDesktopKeystrokes::State::Asking &&
                   keys.state() != RemoteDesktopKeystrokes::State::NotStarted;
        });
    }

private Q_SLOTS:
    void init() {
        QVERIFY(m_dir.isValid());
        m_portalBus = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("portal")));
        QVERIFY2(m_portalBus->isConnected(), "run this under dbus-run-session");
        m_portal = std::make_unique<FakePortal>(*m_portalBus);
        QVERIFY(m_portalBus->registerVirtualObject(portalPath, m_portal.get(),
                                                   QDBusConnection::SubPath));
        QVERIFY(m_portalBus->registerService(portalService));
    }
    void cleanup() {
        m_portalBus->unregisterService(portalService);
        m_portalBus->unregisterObject(portalPath, QDBusConnection::UnregisterTree);
        QDBusConnection::disconnectFromBus(QStringLiteral("portal"));
        m_portal.reset();
        m_portalBus.reset();
    }

    // Version 2: the permission persists, its token is kept and offered at the next start,
    // and the newer token the desktop gives then replaces it.
    void versionTwoKeepsTheRestoreToken() {
        UserDefaults defaults(m_dir.filePath("v2.ini"));
        m_portal->restoreToken = QStringLiteral("token-1");
        {
            RemoteDesktopKeystrokes keys(client(), defaults);
            QVERIFY(!keys.canPress());
            QCOMPARE(keys.settleDelay(), RemoteDesktopKeystrokes::settleSeconds);
            QSignalSpy changes(&keys, &RemoteDesktopKeystrokes::stateChanged);
            keys.start();
            QVERIFY(settles(keys));
            QCOMPARE(keys.state(), RemoteDesktopKeystrokes::State::Allowed);
            QVERIFY(keys.canPress());
            QCOMPARE(changes.size(), 2); // asking, allowed
            QCOMPARE(keys.version(), 2u);
            const QVariantMap options = m_portal->selectOptions;
            QCOMPARE(options.value("types").userType(), QMetaType::UInt);
            QCOMPARE(options.value("types").toUInt(), 1u);
            QCOMPARE(options.value("persist_mode").userType(), QMetaType::UInt);
            QCOMPARE(options.value("persist_mode").toUInt(), 2u);
            QVERIFY(!options.contains("restore_token"));
            QCOMPARE(defaults.string(RemoteDesktopKeystrokes::restoreTokenKey),
                     std::optional<QString>("token-1"));
            keys.start(); // allowed already: no second session
            QCOMPARE(keys.state(), RemoteDesktopKeystrokes::State::Allowed);
        }
        m_portal->restoreToken = QStringLiteral("token-2");
        RemoteDesktopKeystrokes again(client(), defaults);
        again.start();
        QVERIFY(settles(again));
        QCOMPARE(m_portal->sessionsCreated, 2);
        QCOMPARE(m_portal->selectOptions.value("restore_token").toString(),
                 QStringLiteral("token-1"));
        QCOMPARE(defaults.string(RemoteDesktopKeystrokes::restoreTokenKey),
                 std::optional<QString>("token-2"));
    }

    // The session's handle as a string, as an object path, or as an object path in one more
    // variant: each names the session the later calls go to.
    void sessionHandleForms_data() {
        QTest::addColumn<int>("form");
        QTest::newRow("string") << static_cast<int>(FakePortal::AsString);
        QTest::newRow("object path") << static_cast<int>(FakePortal::AsObjectPath);
        QTest::newRow("variant") << static_cast<int>(FakePortal::AsVariant);
    }
    void sessionHandleForms() {
        QFETCH(int, form);
        m_portal->handleForm = form;
        UserDefaults defaults(m_dir.filePath("handle.ini"));
        RemoteDesktopKeystrokes keys(client(), defaults);
        keys.start();
        QVERIFY(settles(keys));
        QCOMPARE(keys.state(), RemoteDesktopKeystrokes::State::Allowed);
        QVERIFY(!m_portal->createdSession.isEmpty());
        QCOMPARE(m_portal->startedSession, m_portal->createdSession);
    }

    // GNOME 43's version 1 knows no persistence: nothing asked, nothing kept.
    void versionOneAsksEveryTime() {
        UserDefaults defaults(m_dir.filePath("v1.ini"));
        defaults.setString(RemoteDesktopKeystrokes::restoreTokenKey, QStringLiteral("old"));
        m_portal->version = 1;
        m_portal->restoreToken = QStringLiteral("ignored");
        RemoteDesktopKeystrokes keys(client(), defaults);
        keys.start();
        QVERIFY(settles(keys));
        QCOMPARE(keys.state(), RemoteDesktopKeystrokes::State::Allowed);
        QVERIFY(!m_portal->selectOptions.contains("persist_mode"));
        QVERIFY(!m_portal->selectOptions.contains("restore_token"));
        QCOMPARE(defaults.string(RemoteDesktopKeystrokes::restoreTokenKey),
                 std::optional<QString>("old"));
    }

    void refusalsAndAMissingPortalLeaveTheKeysOff() {
        UserDefaults defaults(m_dir.filePath("off.ini"));
        m_portal->startResponse = 1; // Cancel in the dialog
        RemoteDesktopKeystrokes declined(client(), defaults);
        declined.start();
        QVERIFY(settles(declined));
        QCOMPARE(declined.state(), RemoteDesktopKeystrokes::State::Refused);
        QVERIFY(declined.reason().contains(QStringLiteral("not allowed")));
        QVERIFY(!declined.canPress());

        m_portal->startResponse = 0;
        m_portal->allowedDevices = 2; // the pointer, not the keyboard
        RemoteDesktopKeystrokes pointerOnly(client(), defaults);
        pointerOnly.start();
        QVERIFY(settles(pointerOnly));
        QCOMPARE(pointerOnly.state(), RemoteDesktopKeystrokes::State::Refused);

        m_portal->availableDevices = 2;
        RemoteDesktopKeystrokes noKeyboard(client(), defaults);
        noKeyboard.start();
        QVERIFY(settles(noKeyboard));
        QCOMPARE(noKeyboard.state(), RemoteDesktopKeystrokes::State::PortalMissing);

        m_portalBus->unregisterService(portalService);
        RemoteDesktopKeystrokes noPortal(client(), defaults);
        noPortal.start();
        QVERIFY(settles(noPortal));
        QCOMPARE(noPortal.state(), RemoteDesktopKeystrokes::State::PortalMissing);
        QVERIFY(!noPortal.reason().isEmpty());
    }

    // The portal leaves the bus: the keys go with it, and a start once it is back asks the
    // new one for a session of its own.
    void aPortalThatGoesAwayTakesTheKeysWithIt() {
        UserDefaults defaults(m_dir.filePath("gone.ini"));
        RemoteDesktopKeystrokes keys(client(), defaults);
        keys.start();
        QVERIFY(settles(keys));
        QCOMPARE(keys.state(), RemoteDesktopKeystrokes::State::Allowed);
        QCOMPARE(m_portal->sessionsCreated, 1);

        QVERIFY(m_portalBus->unregisterService(portalService));
        QVERIFY(QTest::qWaitFor(
            [&] { return keys.state() == RemoteDesktopKeystrokes::State::PortalMissing; }));
        QCOMPARE(keys.reason(), QStringLiteral("the desktop portal has gone away"));
        QVERIFY(!keys.canPress());

        QVERIFY(m_portalBus->registerService(portalService));
        keys.start();
        QVERIFY(QTest::qWaitFor(
            [&] { return keys.state() == RemoteDesktopKeystrokes::State::Allowed; }));
        QCOMPARE(m_portal->sessionsCreated, 2);
        QVERIFY(keys.canPress());
    }

    // Control+C as four key events, the next sent only once the portal answered the last.
    void keysGoOutOneAtATime() {
        UserDefaults defaults(m_dir.filePath("keys.ini"));
        const QDBusConnection bus = client();
        RemoteDesktopKeystrokes keys(bus, defaults);
        keys.start();
        QVERIFY(settles(keys));
        keys.sendCopy();
        keys.sendPaste();
        const QList<std::pair<int, uint>> expected{{KEY_LEFTCTRL, 1}, {KEY_C, 1},        {KEY_C, 0},
                                                   {KEY_LEFTCTRL, 0}, {KEY_LEFTCTRL, 1}, {KEY_V, 1},
                                                   {KEY_V, 0},        {KEY_LEFTCTRL, 0}};
        for (int i = 0; i < expected.size(); ++i) {
            QVERIFY(QTest::qWaitFor([&] { return m_portal->keys.size() == i + 1; }));
            // Nothing more while this one waits for its answer: whatever the client sent
            // before answering a ping has reached the portal once the ping is answered.
            const QDBusMessage ping = m_portalBus->call(QDBusMessage::createMethodCall(
                bus.baseService(), QStringLiteral("/"), QStringLiteral("org.freedesktop.DBus.Peer"),
                QStringLiteral("Ping")));
            QCOMPARE(ping.type(), QDBusMessage::ReplyMessage);
            QCoreApplication::processEvents();
            QCOMPARE(m_portal->keys.size(), i + 1);
            QCOMPARE(m_portal->keys[i].code, expected[i].first);
            QCOMPARE(m_portal->keys[i].state, expected[i].second);
            m_portal->answerKeys();
        }
    }
};

QTEST_GUILESS_MAIN(RemoteDesktopPortalTest)
#include "tst_remotedesktopportal.moc"
