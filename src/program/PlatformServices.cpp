#include "PlatformServices.h"

#include "core/AppIdentity.h"
#include "core/Log.h"
#include "platform/gnome/GnomeCustomShortcuts.h"
#include "platform/portal/GlobalShortcutsPortal.h"
#include "platform/portal/PortalEventTap.h"
#include "platform/portal/PortalRegistration.h"
#include "platform/portal/RemoteDesktopKeystrokes.h"
#include "platform/portal/WaylandChordTap.h"
#include "platform/qt/QtPasteboard.h"
#include "platform/wayland/DataControlDevice.h"
#include "platform/wayland/DataControlPasteboard.h"
#include "platform/wayland/FakeInputSynthesizer.h"
#include "platform/wayland/VirtualKeyboardSynthesizer.h"
#include "platform/wayland/WaylandBackends.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11EventTap.h"
#include "platform/x11/X11KeystrokeSynthesizer.h"
#include "platform/x11/X11NativeSelection.h"
#include "platform/x11/X11Session.h"
#include "platform/x11/X11WindowActivation.h"

#include <QDBusConnection>
#include <QFile>
#include <QGuiApplication>

namespace {

class UnavailableEventTap final : public EventTap {
public:
    bool isTrusted() override { return false; }
    bool install(const HotkeyConfig&, Handler) override { return false; }
    void updateConfig(const HotkeyConfig&) override {}
    void reenable() override {}
    QList<KeyChord> unavailableChords() const override { return {}; }
};

class NoKeystrokes final : public KeystrokeSynthesizing {
public:
    void sendCopy() override {}
    void sendPaste() override {}
    bool canPress() const override { return false; }
};

} // namespace

PlatformServices::PlatformServices(Scheduler& scheduler, QString command)
    : m_command(std::move(command)) {
    const auto x11 = X11Connection::current();
    m_x11 = x11;
    if (x11) {
        m_translucent = X11Connection::compositorRunning(*x11);
    }
    if (X11Session::isWaylandSession()) {
        m_report.session = QStringLiteral("wayland");
        chooseWayland(scheduler);
    } else if (x11 && X11Connection::hasXTest(*x11)) {
        m_tap = std::make_unique<X11EventTap>(*x11);
        m_synth = std::make_unique<X11KeystrokeSynthesizer>(*x11, scheduler);
        m_report.keystrokes = QStringLiteral("xtest");
        m_report.chords = SessionReport::Chords::X11Grabs;
    } else {
        m_report.offReason =
            x11 ? QStringLiteral("the X server has no XTEST extension, which pressing keys in "
                                 "other applications needs")
                : QStringLiteral("there is no display");
    }
    if (!m_clipboard) {
        m_clipboard =
            std::make_unique<QtPasteboard>(QGuiApplication::clipboard(), QClipboard::Clipboard,
                                           X11NativeSelection::forQtDisplay(QClipboard::Clipboard));
        m_selection =
            std::make_unique<QtPasteboard>(QGuiApplication::clipboard(), QClipboard::Selection,
                                           X11NativeSelection::forQtDisplay(QClipboard::Selection));
    }
    if (m_remoteDesktop) {
        m_keys = m_remoteDesktop.get();
    } else {
        if (!m_synth) {
            m_synth = std::make_unique<NoKeystrokes>();
        }
        m_keys = m_synth.get();
    }
    if (!m_tap) {
        m_tap = std::make_unique<UnavailableEventTap>();
    }
}

void PlatformServices::chooseWayland(Scheduler& scheduler) {
    QString error;
    m_wayland = WaylandConnection::open(&error);
    if (!m_wayland) {
        m_report.offReason = error;
        qCWarning(Log::app).noquote()
            << QStringLiteral("%1: the clipboard goes through XWayland; chords are off").arg(error);
        return;
    }
    const WaylandBackends backends = WaylandBackends::choose(m_wayland->globals());
    if (const DataControlProtocol* protocol = DataControlProtocol::of(backends.clipboard)) {
        m_dataControl = DataControlDevice::create(*m_wayland, *protocol);
    }
    if (m_dataControl) {
        m_report.clipboard = backends.clipboardName();
        // What our own windows copy (on XWayland) is read from their QClipboard.
        m_clipboard = std::make_unique<DataControlPasteboard>(
            *m_dataControl, DataControlDevice::Selection::Clipboard, QGuiApplication::clipboard());
        // Without a primary selection here, the terminals' selection comes through XWayland.
        if (m_dataControl->hasPrimary()) {
            m_selection = std::make_unique<DataControlPasteboard>(
                *m_dataControl, DataControlDevice::Selection::Primary,
                QGuiApplication::clipboard());
        } else {
            m_selection = std::make_unique<QtPasteboard>(
                QGuiApplication::clipboard(), QClipboard::Selection,
                X11NativeSelection::forQtDisplay(QClipboard::Selection));
        }
    }
    const bool gnome = isGnome();
    // Before the first portal call on the session bus (both portal clients below use it).
    m_registration =
        std::make_unique<PortalRegistration>(QDBusConnection::sessionBus(), AppIdentity::id());
    if (backends.keystrokes == WaylandBackends::Keystrokes::VirtualKeyboard) {
        m_synth = VirtualKeyboardSynthesizer::create(*m_wayland, &error);
    } else if (backends.keystrokes == WaylandBackends::Keystrokes::KdeFakeInput) {
        m_synth = FakeInputSynthesizer::create(*m_wayland, &error);
    } else if (gnome) {
        // GNOME: keys through the RemoteDesktop portal, once the user allows them in its
        // dialog; asked only once the user has turned GNOME's chords on (below).
        m_remoteDesktop =
            std::make_unique<RemoteDesktopKeystrokes>(QDBusConnection::sessionBus(), m_defaults);
        m_report.keystrokes = QStringLiteral("remote-desktop-portal");
    }
    if (m_synth) {
        m_report.keystrokes = backends.keystrokesName();
    } else if (m_remoteDesktop) {
        m_report.offReason = QStringLiteral("GNOME has not allowed Stashwick to press keys yet "
                                            "(its remote-interaction dialog)");
    } else {
        m_report.offReason =
            !error.isEmpty()
                ? error
                : QStringLiteral("this compositor lets no program press keys in other "
                                 "applications (it offers neither a virtual keyboard nor KWin's "
                                 "fake input)");
    }
    m_report.bindingsFlavour = qEnvironmentVariableIsEmpty("HYPRLAND_INSTANCE_SIGNATURE")
                                   ? QStringLiteral("sway")
                                   : QStringLiteral("hyprland");

    const auto keystrokes = [this] { return m_keys && m_keys->canPress(); };
    WaylandChordTap::Fallback fallback;
    if (gnome) {
        // GNOME's own custom keyboard shortcuts run the command, once the user added them; the
        // keys are asked for then (GNOME 43 asks again at every start).
        m_gnome = std::make_unique<GnomeCustomShortcuts>(m_command, scheduler);
        QObject::connect(m_gnome.get(), &GnomeCustomShortcuts::changed, m_gnome.get(),
                         [this] { askForKeysWhenChordsCanCome(); });
        m_gnome->check({});
        GnomeShortcuts* shortcuts = m_gnome.get();
        fallback.chords = SessionReport::Chords::GnomeShortcuts;
        fallback.ready = [shortcuts] {
            return shortcuts->status().state == GnomeShortcuts::State::Added;
        };
        fallback.afterRefusal = true;
    }
    // On GNOME the portal's GlobalShortcuts is trusted only from GNOME's own backend: the
    // portal may hand the interface to another desktop's backend, which cannot work here.
    if (!gnome || gnomePortalOffersGlobalShortcuts()) {
        // One session name at every start: KDE 5.27 keeps the shortcuts' keys under it.
        m_portal = std::make_unique<GlobalShortcutsPortal>(QDBusConnection::sessionBus(),
                                                           QStringLiteral("stashwick_shortcuts"));
        m_portalTap = std::make_unique<PortalEventTap>(*m_portal);
    }
    if (gnome && m_portal && m_remoteDesktop) {
        // GNOME 48 and later: the chords come from GNOME's GlobalShortcuts portal, which they
        // are bound through only once keys can be pressed; so the keys are asked for as soon
        // as the portal is there (from GNOME 45 on the permission is kept, and asked once).
        QObject::connect(m_portal.get(), &GlobalShortcutsPortal::stateChanged, m_portal.get(),
                         [this] { askForKeysWhenChordsCanCome(); });
    }
    auto tap = std::make_unique<WaylandChordTap>(m_portal.get(), m_portalTap.get(),
                                                 std::move(fallback), keystrokes);
    WaylandChordTap* chords = tap.get();
    m_chordsReport = [chords](SessionReport& r) { chords->describe(r); };
    m_recheck = [this] {
        if (m_portal) {
            m_portal->probe();
        }
        // GNOME's shortcuts are read again by the Settings card that asks, which waits for them.
        // A permission the user declined is asked for again.
        if (m_remoteDesktop &&
            m_remoteDesktop->state() == RemoteDesktopKeystrokes::State::Refused) {
            m_remoteDesktop->stop();
        }
        askForKeysWhenChordsCanCome();
    };
    m_tap = std::move(tap);
}

void PlatformServices::askForKeysWhenChordsCanCome() {
    if (!m_remoteDesktop ||
        m_remoteDesktop->state() != RemoteDesktopKeystrokes::State::NotStarted) {
        return;
    }
    const bool portalChords = m_portal && m_portal->isOffered();
    const bool customChords = m_gnome && m_gnome->status().state == GnomeShortcuts::State::Added;
    if (portalChords || customChords) {
        m_remoteDesktop->start();
    }
}

bool PlatformServices::isGnome() {
    const QStringList desktops =
        qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts);
    return desktops.contains(QStringLiteral("GNOME"), Qt::CaseInsensitive);
}

bool PlatformServices::gnomePortalOffersGlobalShortcuts() {
    QStringList folders;
    if (const QString dir = qEnvironmentVariable("XDG_DESKTOP_PORTAL_DIR"); !dir.isEmpty()) {
        folders << dir;
    }
    folders << QStringLiteral("/usr/share/xdg-desktop-portal/portals");
    for (const QString& folder : folders) {
        QFile file(folder + QStringLiteral("/gnome.portal"));
        if (file.open(QIODevice::ReadOnly)) {
            return file.readAll().contains("org.freedesktop.impl.portal.GlobalShortcuts");
        }
    }
    return false;
}

void PlatformServices::chordsChanged(const HotkeyConfig& config) {
    if (m_gnome) {
        m_gnome->update(config, {});
    }
}

GnomeShortcuts* PlatformServices::gnomeShortcuts() const {
    return m_gnome.get();
}

void PlatformServices::recheck() {
    if (m_recheck) {
        m_recheck();
    }
}

PlatformServices::~PlatformServices() = default;

SessionReport PlatformServices::report() const {
    SessionReport r = m_report;
    r.keysAllowed = m_keys && m_keys->canPress();
    if (m_remoteDesktop && !r.keysAllowed) {
        using S = RemoteDesktopKeystrokes::State;
        switch (m_remoteDesktop->state()) {
        case S::Asking:
            r.offReason = QStringLiteral("GNOME is asking whether Stashwick may press keys (its "
                                         "remote-interaction dialog)");
            break;
        case S::Refused:
        case S::PortalMissing:
            r.offReason = QStringLiteral("GNOME does not let Stashwick press keys: %1; Re-check "
                                         "asks again")
                              .arg(m_remoteDesktop->reason());
            break;
        case S::NotStarted:
        case S::Allowed:
            break;
        }
    }
    if (m_chordsReport) {
        m_chordsReport(r);
    }
    // A portal that does not know who is asking refuses every session: that is the reason to
    // show, not the refusal it leads to.
    if (m_registration && m_registration->outcome() == PortalRegistration::Outcome::Refused &&
        !r.offReason.isEmpty()) {
        r.offReason = m_registration->reason();
    }
    return r;
}

void PlatformServices::activateWindow(unsigned long windowId, unsigned long userTime) {
    if (m_x11) {
        X11WindowActivation::activate(*m_x11, windowId, userTime);
    }
}

unsigned long PlatformServices::activeWindow() const {
    return m_x11 ? X11WindowActivation::active(*m_x11) : 0;
}
