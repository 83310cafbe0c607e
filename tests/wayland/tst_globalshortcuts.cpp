// Chords through the GlobalShortcuts portal, against the real xdg-desktop-portal on the
// private session bus of a headless compositor session (run-in-session.sh), with the fake
// desktop backend of fake_shortcuts_backend.py selected by XDG_CURRENT_DESKTOP=fake: first
// the portal client on its own, then the real program, whose chords come from the portal.
#include "WaylandTestSession.h"
#include "core/UserDefaults.h"
#include "hotkeys/EventTapController.h"
#include "platform/portal/GlobalShortcutsPortal.h"
#include "platform/portal/PortalEventTap.h"
#include "platform/portal/PortalRegistration.h"
#include "platform/portal/WaylandChordTap.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QVersionNumber>

namespace {

const QString backendName = QStringLiteral("org.freedesktop.impl.portal.desktop.fake");
const QString portalName = QStringLiteral("org.freedesktop.portal.Desktop");
constexpr int deadline = 20000;

QDBusConnection bus() {
    return QDBusConnection::sessionBus();
}

// The version of this xdg-desktop-portal.
QVersionNumber portalVersion() {
    QProcess portal;
    portal.start(QStringLiteral(XDG_DESKTOP_PORTAL), {QStringLiteral("--version")});
    portal.waitForFinished(5000);
    // "xdg-desktop-portal 1.16.0"
    const QString said = QString::fromUtf8(portal.readAllStandardOutput()).trimmed();
    return QVersionNumber::fromString(said.section(u' ', -1));
}

// Whether this xdg-desktop-portal has the host registry (1.19 and later).
bool hasRegistry() {
    return portalVersion() >= QVersionNumber(1, 19);
}

// Whether this xdg-desktop-portal hands CreateSession's "shortcuts" on to the backend, as 1.16
// does (KDE 5.27 registers them there); later ones pass on only the options they know, so the
// shortcuts reach the backend through BindShortcuts alone.
bool createSessionCarriesShortcuts() {
    const QVersionNumber version = portalVersion();
    return !version.isNull() && version < QVersionNumber(1, 17);
}

bool waitForName(const QString& name, bool present) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < deadline) {
        if (bus().interface()->isServiceRegistered(name).value() == present) {
            return true;
        }
        QTest::qWait(20);
    }
    return false;
}

QDBusMessage control(const QString& method, const QVariantList& args = {}) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        backendName, QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.stashwick.test.FakeShortcuts"), method);
    call.setArguments(args);
    return bus().call(call);
}

// The calls the backend received, oldest first.
QJsonArray record() {
    const QDBusReply<QString> reply = control(QStringLiteral("Record"));
    return QJsonDocument::fromJson(reply.value().toUtf8()).array();
}

QList<QJsonObject> calls(const QString& method) {
    QList<QJsonObject> out;
    for (const QJsonValue& v : record()) {
        if (v.toObject().value("method").toString() == method) {
            out << v.toObject();
        }
    }
    return out;
}

// The shortcuts the portal sent, as (id, description, preferred trigger), from a JSON list
// of [id, {properties}].
QList<ShortcutTriggers::Shortcut> sent(const QJsonValue& list) {
    QList<ShortcutTriggers::Shortcut> out;
    for (const QJsonValue& entry : list.toArray()) {
        const QJsonObject properties = entry.toArray().at(1).toObject();
        out.append({entry.toArray().at(0).toString(), properties.value("description").toString(),
                    properties.value("preferred_trigger").toString()});
    }
    return out;
}

// A tap with its controller, as the program has them, recording the decisions it reaches.
struct Chords {
    explicit Chords(const HotkeyConfig& config)
        : portal(bus()), tap(portal),
          controller(tap, ChordRecognizer{config},
                     [this](const HotkeyDecision& d) { decisions << d; }) {}
    // The program retries the start every 2 seconds; here, as soon as the portal answers.
    bool start() {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < deadline && !controller.start()) {
            QTest::qWait(20);
        }
        return controller.isActive();
    }
    // Waits until the portal client is in `state`; the tap takes chords exactly when it is
    // Bound.
    bool reaches(GlobalShortcutsPortal::State state) {
        if (!QTest::qWaitFor([&] { return portal.state() == state; }, deadline)) {
            qWarning() << "the portal client is" << portal.state() << portal.reason();
            return false;
        }
        return tap.isTrusted() == (state == GlobalShortcutsPortal::State::Bound);
    }
    GlobalShortcutsPortal portal;
    PortalEventTap tap;
    EventTapController controller;
    QList<HotkeyDecision> decisions;
};

// The chords of a GNOME session over that portal: GNOME's custom shortcuts behind it, which
// the user has added once `added` is set.
struct GnomeSessionChords {
    explicit GnomeSessionChords(const HotkeyConfig& config)
        : portal(bus()), portalTap(portal),
          tap(&portal, &portalTap,
              {SessionReport::Chords::GnomeShortcuts, [this] { return added; }, true},
              [] { return true; }),
          controller(tap, ChordRecognizer{config}, [](const HotkeyDecision&) {}) {}
    SessionReport::Chords source() const {
        SessionReport r;
        tap.describe(r);
        return r.chords;
    }
    GlobalShortcutsPortal portal;
    PortalEventTap portalTap;
    bool added = false;
    WaylandChordTap tap;
    EventTapController controller;
};

} // namespace

class GlobalShortcutsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        if (WaylandTestSession::compositor().isEmpty()) {
            QFAIL("run this through tests/wayland/run-in-session.sh");
        }
        QVERIFY(bus().isConnected());
        m_backend.setProgram(QStringLiteral(SYSTEM_PYTHON));
        m_backend.setArguments({QStringLiteral(FAKE_BACKEND)});
        m_backend.setProcessChannelMode(QProcess::ForwardedChannels);
        m_backend.start();
        QVERIFY(m_backend.waitForStarted());
        QVERIFY2(waitForName(backendName, true), "the fake backend did not come up");
        QVERIFY(WaylandTestSession::installDesktopFile());
        startPortal();
        // As in the program, for the whole run: it tells a restarted portal again.
        m_registration =
            std::make_unique<PortalRegistration>(bus(), QStringLiteral("io.stashwick.Stashwick"));
        QSignalSpy finished(m_registration.get(), &PortalRegistration::finished);
        QVERIFY(finished.wait(deadline));
        QCOMPARE(m_registration->outcome(), hasRegistry()
                                                ? PortalRegistration::Outcome::Registered
                                                : PortalRegistration::Outcome::NotOffered);
    }

    // A second registration on the connection (Qt registers the desktop file name itself from
    // 6.9 on) is as good as the first; an id without a desktop file is refused in plain words.
    // A portal without the registry needs none.
    void registration() {
        PortalRegistration again(bus(), QStringLiteral("io.stashwick.Stashwick"));
        QSignalSpy againFinished(&again, &PortalRegistration::finished);
        QVERIFY(againFinished.wait(deadline));
        QCOMPARE(again.outcome(), hasRegistry() ? PortalRegistration::Outcome::Registered
                                                : PortalRegistration::Outcome::NotOffered);

        QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                                              QStringLiteral("unregistered"));
        {
            PortalRegistration unknown(other, QStringLiteral("io.stashwick.NotInstalled"));
            QSignalSpy finished(&unknown, &PortalRegistration::finished);
            QVERIFY(finished.wait(deadline));
            if (hasRegistry()) {
                QCOMPARE(unknown.outcome(), PortalRegistration::Outcome::Refused);
                QVERIFY2(unknown.reason().contains("cannot find Stashwick's desktop file "
                                                   "(io.stashwick.NotInstalled.desktop)"),
                         qPrintable(unknown.reason()));
            } else {
                QCOMPARE(unknown.outcome(), PortalRegistration::Outcome::NotOffered);
                QVERIFY(unknown.reason().isEmpty());
            }
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("unregistered"));

        PortalRegistration nowhere(
            QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                          QStringLiteral("nowhere-registry")),
            QStringLiteral("io.stashwick.Stashwick"));
        QCOMPARE(nowhere.outcome(), PortalRegistration::Outcome::NotOffered);
    }

    void cleanupTestCase() {
        for (QProcess* p : {&m_portal, &m_backend}) {
            p->terminate();
            if (!p->waitForFinished(5000)) {
                p->kill();
                p->waitForFinished();
            }
        }
    }

    // The 21 shortcuts reach the backend in CreateSession's options and in BindShortcuts,
    // and the triggers the desktop assigned come back.
    void bindsTheShortcutsAndReadsBackTheTriggers() {
        const HotkeyConfig config = HotkeyConfig::defaults();
        Chords chords(config);
        QVERIFY(!chords.tap.isTrusted()); // still asking the portal
        QVERIFY(chords.start() && chords.reaches(GlobalShortcutsPortal::State::Bound));
        QVERIFY(chords.tap.unavailableChords().isEmpty());

        const auto expected = ShortcutTriggers::shortcuts(config);
        QCOMPARE(expected.size(), 21);
        const auto created = calls("CreateSession");
        QCOMPARE(created.size(), 1);
        // The portal knows who asks once the id is registered.
        QCOMPARE(created[0].value("app_id").toString(),
                 hasRegistry() ? QStringLiteral("io.stashwick.Stashwick") : QString());
        QCOMPARE(sent(created[0].value("options").toObject().value("shortcuts")),
                 createSessionCarriesShortcuts() ? expected : decltype(expected){});
        const auto bound = calls("BindShortcuts");
        QCOMPARE(bound.size(), 1);
        QCOMPARE(sent(bound[0].value("shortcuts")), expected);
        QCOMPARE(bound[0].value("parent_window").toString(), QString());
        QCOMPARE(bound[0].value("session").toString(), created[0].value("session").toString());
        QCOMPARE(sent(bound[0].value("shortcuts"))[3],
                 (ShortcutTriggers::Shortcut{"copy-slot-3", "Copy into slot 3", "CTRL+ALT+3"}));

        QTRY_COMPARE_WITH_TIMEOUT(chords.portal.assignedTriggers().size(), 21, deadline);
        QCOMPARE(chords.portal.assignedTriggers().value("copy-slot-3"), "CTRL+ALT+3 on fake");
        QCOMPARE(chords.portal.assignedTriggers().value("summon"), "CTRL+ALT+LOGO+v on fake");
        const auto described = chords.portal.describedTriggers();
        QCOMPARE(described.size(), 21);
        QCOMPARE(described[0], std::make_pair(QStringLiteral("Copy into slot 0"),
                                              QStringLiteral("CTRL+ALT+0 on fake")));
        QCOMPARE(described[20], std::make_pair(QStringLiteral("Open Stashwick"),
                                               QStringLiteral("CTRL+ALT+LOGO+v on fake")));

        // The desktop changes a trigger: the new text is what we show.
        QSignalSpy changed(&chords.portal, &GlobalShortcutsPortal::triggersChanged);
        control("Reassign", {QStringLiteral("summon"), QStringLiteral("Meta+Z")});
        QTRY_COMPARE_WITH_TIMEOUT(chords.portal.assignedTriggers().value("summon"), "Meta+Z",
                                  deadline);
        QVERIFY(!changed.isEmpty());
    }

    // An activation from the desktop reaches the recognizer as the configured chord.
    void activationsBecomeChords() {
        Chords chords(HotkeyConfig::defaults());
        QVERIFY(chords.start() && chords.reaches(GlobalShortcutsPortal::State::Bound));

        control("Activate", {QStringLiteral("copy-slot-3")});
        QTRY_COMPARE_WITH_TIMEOUT(chords.decisions.size(), 1, deadline);
        QCOMPARE(chords.decisions[0], HotkeyDecision::copyToSlot(3));

        control("Activate", {QStringLiteral("no-such-shortcut")});
        control("Activate", {QStringLiteral("summon")});
        control("Activate", {QStringLiteral("paste-slot-0")});
        QTRY_COMPARE_WITH_TIMEOUT(chords.decisions.size(), 3, deadline);
        QCOMPARE(chords.decisions[1], HotkeyDecision::summon());
        QCOMPARE(chords.decisions[2], HotkeyDecision::pasteFromSlot(0));

        // A chord recorded in Settings binds again, in a new session; the old one is closed
        // and an activation means the new chord.
        HotkeyConfig next = HotkeyConfig::defaults();
        next.copyModifiers = Modifiers(Modifiers::control | Modifiers::shift);
        const int before = static_cast<int>(calls("CreateSession").size());
        chords.controller.updateConfig(next);
        QTRY_COMPARE_WITH_TIMEOUT(calls("BindShortcuts").size(), before + 1, deadline);
        QVERIFY(chords.reaches(GlobalShortcutsPortal::State::Bound));
        const auto created = calls("CreateSession");
        QCOMPARE(created.size(), before + 1);
        QCOMPARE(sent(calls("BindShortcuts").back().value("shortcuts")),
                 ShortcutTriggers::shortcuts(next));
        if (createSessionCarriesShortcuts()) {
            QCOMPARE(sent(created.back().value("options").toObject().value("shortcuts")),
                     ShortcutTriggers::shortcuts(next));
        }
        QCOMPARE(ShortcutTriggers::shortcuts(next)[3].preferredTrigger, "CTRL+SHIFT+3");
        bool closed = false;
        for (const auto& c : calls("Close")) {
            closed |= c.value("session") == created[before - 1].value("session");
        }
        QVERIFY2(closed, "the previous session was not closed");

        // The new chord is a new shortcut to the desktop.
        QCOMPARE(ShortcutTriggers::shortcuts(next)[3].id, "copy-slot-3.ctrl-shift-3");
        control("Activate", {QStringLiteral("copy-slot-3.ctrl-shift-3")});
        QTRY_COMPARE_WITH_TIMEOUT(chords.decisions.size(), 4, deadline);
        QCOMPARE(chords.decisions[3], HotkeyDecision::copyToSlot(3));
    }

    // KDE 5.27 binds nothing in BindShortcuts: the shortcuts CreateSession registered count.
    // What the desktop lists or reports as bound counts, whatever its answer's code. A desktop
    // that refuses the session leaves chords off, with the reason.
    void refusals() {
        control("Refuse", {QStringLiteral("BindShortcuts"), 2u});
        if (!createSessionCarriesShortcuts()) {
            // Nothing was registered before BindShortcuts: its refusal is the answer.
            Chords chords(HotkeyConfig::defaults());
            QVERIFY(chords.start() && chords.reaches(GlobalShortcutsPortal::State::Refused));
            QCOMPARE(chords.portal.reason(),
                     QStringLiteral("the desktop refused the shortcuts (response 2)"));
        } else {
            Chords chords(HotkeyConfig::defaults());
            QVERIFY(chords.start() && chords.reaches(GlobalShortcutsPortal::State::Bound));
            QCOMPARE(chords.portal.assignedTriggers().value("paste-slot-9"), "CTRL+LOGO+9 on fake");
        }
        // GNOME 48.0 answers a binding that succeeded with response 2 and the shortcuts: the
        // listing says they are bound.
        control("Misreport", {2u});
        {
            Chords chords(HotkeyConfig::defaults());
            QVERIFY(chords.start() && chords.reaches(GlobalShortcutsPortal::State::Bound));
            QCOMPARE(chords.portal.assignedTriggers().value("paste-slot-9"), "CTRL+LOGO+9 on fake");
        }
        // Neither the answer nor the listing says so, and later the desktop reports the
        // shortcuts (ShortcutsChanged): bound from then on.
        control("Misreport", {2u});
        control("Refuse", {QStringLiteral("ListShortcuts"), 2u});
        {
            Chords chords(HotkeyConfig::defaults());
            QVERIFY(chords.start() && chords.reaches(GlobalShortcutsPortal::State::Refused));
            control("Reassign", {QStringLiteral("summon"), QStringLiteral("Meta+Z")});
            QVERIFY(chords.reaches(GlobalShortcutsPortal::State::Bound));
            QCOMPARE(chords.portal.assignedTriggers().value("summon"), "Meta+Z");
        }
        // The same refusal in a GNOME session, after the chords went to the portal: they go
        // to GNOME's custom shortcuts, which the user can then add, and back to the portal
        // once it reports them bound.
        control("Misreport", {2u});
        control("Refuse", {QStringLiteral("ListShortcuts"), 2u});
        {
            GnomeSessionChords chords(HotkeyConfig::defaults());
            QTRY_VERIFY_WITH_TIMEOUT(chords.controller.start(), deadline);
            QTRY_COMPARE_WITH_TIMEOUT(chords.portal.state(), GlobalShortcutsPortal::State::Refused,
                                      deadline);
            QCOMPARE(chords.source(), SessionReport::Chords::GnomeShortcuts);
            QVERIFY(!chords.tap.isTrusted());
            chords.added = true;
            QVERIFY(chords.tap.isTrusted());
            control("Reassign", {QStringLiteral("summon"), QStringLiteral("Meta+Z")});
            QTRY_COMPARE_WITH_TIMEOUT(chords.portal.state(), GlobalShortcutsPortal::State::Bound,
                                      deadline);
            QCOMPARE(chords.source(), SessionReport::Chords::DesktopShortcuts);
        }

        control("Refuse", {QStringLiteral("CreateSession"), 2u});
        Chords chords(HotkeyConfig::defaults());
        QVERIFY(chords.start() && chords.reaches(GlobalShortcutsPortal::State::Refused));
        QCOMPARE(chords.portal.reason(),
                 QStringLiteral("the desktop refused the session (response 2)"));
        QVERIFY(chords.portal.assignedTriggers().isEmpty());
    }

    // The portal restarts: the shortcuts are bound again in the new one, which is told the
    // application id again first (xdg-desktop-portal 1.22 refuses a session otherwise).
    void portalRestartBindsAgain() {
        Chords chords(HotkeyConfig::defaults());
        QVERIFY(chords.start() && chords.reaches(GlobalShortcutsPortal::State::Bound));
        const int before = static_cast<int>(calls("CreateSession").size());
        m_portal.kill();
        m_portal.waitForFinished();
        QVERIFY(chords.reaches(GlobalShortcutsPortal::State::NotOffered));
        QCOMPARE(chords.portal.reason(), QStringLiteral("the desktop portal has gone away"));
        startPortal();
        QVERIFY(chords.reaches(GlobalShortcutsPortal::State::Bound));
        QCOMPARE(calls("CreateSession").size(), before + 1);
        control("Activate", {QStringLiteral("copy-slot-7")});
        QTRY_COMPARE_WITH_TIMEOUT(chords.decisions.size(), 1, deadline);
        QCOMPARE(chords.decisions[0], HotkeyDecision::copyToSlot(7));
    }

    // Without a portal, or with one that lacks the interface, chords stay off with a reason.
    void noPortal() {
        GlobalShortcutsPortal portal(QDBusConnection::connectToBus(
            QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("nowhere")));
        PortalEventTap tap(portal);
        QCOMPARE(portal.state(), GlobalShortcutsPortal::State::NotOffered);
        QVERIFY(portal.reason().startsWith("no session bus"));
        QVERIFY(!tap.isTrusted());
        QVERIFY(
            !tap.install(HotkeyConfig::defaults(), [](const EventTap::Event&) { return true; }));
    }

    // The real program in the session: it finds the portal through the bus (which starts
    // it), binds the 21 shortcuts of the stored configuration, and an activated shortcut
    // copies into a slot or pastes one.
    void theProgramsChordsComeFromThePortal() {
        // Started by the bus on the program's first call, with the session's variables.
        m_portal.terminate();
        m_portal.waitForFinished();
        QVERIFY(waitForName(portalName, false));

        // The stored configuration copies with Control+Shift.
        HotkeyConfig config = HotkeyConfig::defaults();
        config.copyModifiers = Modifiers(Modifiers::control | Modifiers::shift);
        {
            UserDefaults defaults(qEnvironmentVariable("XDG_CONFIG_HOME") +
                                  QStringLiteral("/Stashwick/Stashwick.conf"));
            config.save(defaults);
        }
        const qsizetype createdBefore = calls("CreateSession").size();
        const qsizetype boundBefore = calls("BindShortcuts").size();

        WaylandTestSession session;
        QVERIFY(session.startInstance());
        QJsonObject state;
        const bool bound = WaylandTestSession::waitFor(
            [&] {
                state = session.dump();
                return state["platform"].toObject()["chords"].toString() ==
                           u"global-shortcuts-portal" &&
                       state["accessibilityTrusted"].toBool() &&
                       calls("BindShortcuts").size() > boundBefore;
            },
            deadline);
        QVERIFY2(bound, session.log().constData());
        // The portal the program's first call started is not taken for a restarted one.
        QVERIFY2(!session.log().contains("portal was restarted"), session.log().constData());
        QCOMPARE(state["platform"].toObject()["keystrokes"].toString(), "virtual-keyboard");
        QVERIFY(state["eventTapActive"].toBool());

        const auto created = calls("CreateSession").mid(createdBefore);
        QCOMPARE(created.size(), 1);
        const auto binds = calls("BindShortcuts").mid(boundBefore);
        QCOMPARE(binds.size(), 1);
        const auto shortcuts = sent(binds[0].value("shortcuts"));
        QCOMPARE(shortcuts.size(), 21);
        if (createSessionCarriesShortcuts()) {
            QCOMPARE(sent(created[0].value("options").toObject().value("shortcuts")), shortcuts);
        }
        QCOMPARE(shortcuts, ShortcutTriggers::shortcuts(config));
        QCOMPARE(shortcuts[3], (ShortcutTriggers::Shortcut{"copy-slot-3.ctrl-shift-3",
                                                           "Copy into slot 3", "CTRL+SHIFT+3"}));
        QCOMPARE(shortcuts[13],
                 (ShortcutTriggers::Shortcut{"paste-slot-3", "Paste slot 3", "CTRL+LOGO+3"}));
        QCOMPARE(shortcuts[20],
                 (ShortcutTriggers::Shortcut{"summon", "Open Stashwick", "CTRL+ALT+LOGO+v"}));
        QCOMPARE(binds[0].value("session").toString(), created[0].value("session").toString());
        // The same session name at every start (KDE 5.27 keeps the keys under it).
        QVERIFY2(created[0].value("session").toString().endsWith("/stashwick_shortcuts"),
                 qPrintable(created[0].value("session").toString()));

        // Copy into slot 3: the copy keys reach no application (nothing has the focus), so
        // the slot takes what another program put on the clipboard.
        const QString copied = QStringLiteral("copied through the portal");
        const auto newest = [&] {
            return WaylandTestSession::newestHistory(session.dump())["preview"].toString();
        };
        QVERIFY(session.setClipboard(copied.toUtf8()));
        QVERIFY2(WaylandTestSession::waitFor([&] { return newest() == copied; }, deadline),
                 session.log().constData());
        control("Activate", {QStringLiteral("copy-slot-3.ctrl-shift-3")});
        const auto slot3 = [&] {
            return WaylandTestSession::slot(session.dump(), 3)["preview"].toString();
        };
        QVERIFY2(WaylandTestSession::waitFor([&] { return slot3() == copied; }, deadline),
                 session.log().constData());

        // Paste slot 3: the program takes the clipboard for the paste (the other program's
        // offer ends), presses the paste keys, and then puts the other program's text back.
        const QString other = QStringLiteral("the other program's text");
        QVERIFY(session.setClipboard(other.toUtf8()));
        QVERIFY2(WaylandTestSession::waitFor([&] { return newest() == other; }, deadline),
                 session.log().constData());
        const int pastes = session.dump()["totalPastes"].toInt();
        control("Activate", {QStringLiteral("paste-slot-3")});
        QVERIFY2(WaylandTestSession::waitFor(
                     [&] { return session.dump()["totalPastes"].toInt() == pastes + 1; }, deadline),
                 session.log().constData());
        QVERIFY(
            WaylandTestSession::waitFor([&] { return session.clipboardOwnerGone(); }, deadline));
        QVERIFY(WaylandTestSession::waitFor(
            [&] { return WaylandTestSession::clipboard() == other.toUtf8(); }, deadline));
        QCOMPARE(slot3(), copied);
    }

private:
    void startPortal() {
        m_portal.setProgram(QStringLiteral(XDG_DESKTOP_PORTAL));
        m_portal.setArguments({QStringLiteral("--replace")});
        m_portal.setProcessChannelMode(QProcess::ForwardedChannels);
        m_portal.start();
        QVERIFY(m_portal.waitForStarted());
        QVERIFY2(waitForName(portalName, true), "xdg-desktop-portal did not come up");
    }

    QProcess m_backend;
    QProcess m_portal;
    std::unique_ptr<PortalRegistration> m_registration;
};

QTEST_GUILESS_MAIN(GlobalShortcutsTest)
#include "tst_globalshortcuts.moc"
