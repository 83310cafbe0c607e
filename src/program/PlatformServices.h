#pragma once

#include "clipboard/Pasteboard.h"
#include "core/UserDefaults.h"
#include "hotkeys/EventTap.h"
#include "hotkeys/KeystrokeSynthesizing.h"
#include "hotkeys/SessionReport.h"
#include "platform/x11/X11Connection.h"

#include <functional>
#include <memory>
#include <optional>

class DataControlDevice;
class GlobalShortcutsPortal;
class PortalRegistration;
class GnomeCustomShortcuts;
class GnomeShortcuts;
class PortalEventTap;
class RemoteDesktopKeystrokes;
class Scheduler;
class WaylandConnection;

// The session's platform services, chosen at start from what the session offers: the
// clipboard and the primary selection, the keystrokes pressed in the application in front,
// and the global chords.
//  - X11: Qt's clipboard, XTEST and key grabs.
//  - Wayland: the program's own Wayland connection for the clipboard (data-control) and the
//    keystrokes (a virtual keyboard, or KWin's fake input); the chords from the desktop's
//    global-shortcuts service, else from the compositor's key bindings running the command.
//    What the compositor does not offer falls back to XWayland (the clipboard) or stays off.
// Constructed once Qt's application object exists.
class PlatformServices {
public:
    // `command`: the stashwick command's absolute path, which key bindings run.
    PlatformServices(Scheduler& scheduler, QString command);
    ~PlatformServices();

    Pasteboard& clipboard() { return *m_clipboard; }
    // The PRIMARY selection: what xterm-style terminals copy by selecting.
    Pasteboard& selection() { return *m_selection; }
    EventTap& eventTap() { return *m_tap; }
    KeystrokeSynthesizing& synthesizer() { return *m_keys; }
    // Chords and keystrokes both work.
    bool isTrusted() { return m_tap->isTrusted(); }
    SessionReport report() const;
    // Asks the session again what it offers for the chords (the desktop's shortcut service).
    void recheck();
    // GNOME's custom keyboard shortcuts, where they give the chords; null elsewhere.
    GnomeShortcuts* gnomeShortcuts() const;
    // A recorded chord: GNOME's custom shortcuts of ours that are in the user's list follow it.
    void chordsChanged(const HotkeyConfig& config);
    // Whether windows can be see-through (a compositor runs).
    bool translucentWindows() const { return m_translucent; }
    // Makes the window the active one where the window manager allows it (X11); else nothing.
    void activateWindow(unsigned long windowId, unsigned long userTime);
    // The active window as the window manager reports it (X11); 0 when that cannot be told.
    unsigned long activeWindow() const;

private:
    void chooseWayland(Scheduler& scheduler);
    // Starts asking GNOME for keys once chords can reach the program: from GNOME's
    // GlobalShortcuts portal, or from its custom shortcuts once they are added.
    void askForKeysWhenChordsCanCome();
    static bool isGnome();
    static bool gnomePortalOffersGlobalShortcuts();

    QString m_command;
    // The preferences, for the remote-desktop permission's restore token.
    UserDefaults m_defaults;
    SessionReport m_report;
    std::function<void(SessionReport&)> m_chordsReport;
    std::function<void()> m_recheck;
    // Declared before what uses them, so they go last.
    std::unique_ptr<WaylandConnection> m_wayland;
    std::unique_ptr<DataControlDevice> m_dataControl;
    std::unique_ptr<PortalRegistration> m_registration;
    std::unique_ptr<GlobalShortcutsPortal> m_portal;
    std::unique_ptr<PortalEventTap> m_portalTap;
    std::unique_ptr<GnomeCustomShortcuts> m_gnome;
    std::unique_ptr<RemoteDesktopKeystrokes> m_remoteDesktop;
    std::unique_ptr<Pasteboard> m_clipboard;
    std::unique_ptr<Pasteboard> m_selection;
    std::unique_ptr<KeystrokeSynthesizing> m_synth;
    std::unique_ptr<EventTap> m_tap;
    // Who presses the keys: m_synth, or the remote-desktop portal on GNOME.
    KeystrokeSynthesizing* m_keys = nullptr;
    bool m_translucent = false;
    std::optional<X11Connection> m_x11;
};
