#pragma once

#include "AutomationBridge.h"
#include "ServiceSlotClipboard.h"
#include "clipboard/ClipboardMonitor.h"
#include "core/Scheduler.h"
#include "core/WeakSelf.h"
#include "hotkeys/EventTapController.h"
#include "hotkeys/HotkeyCoordinator.h"

#include <QObject>
#include <functional>
#include <memory>

class AppState;
class UserDefaults;

// Wires the running program together at launch: the hotkey coordinator, the automation
// bridge, the event tap (retried every 2 seconds until the session allows it), the
// clipboard monitor, and the seams for the HUD, the status item and the main window.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    static constexpr double monitorInterval = 0.6;
    static constexpr double tapRetryInterval = 2.0;
    // How often changes that wait for a failed save are tried again.
    static constexpr double saveRetryInterval = 5.0;

    struct Platform {
        EventTap& tap;
        KeystrokeSynthesizing& synth;
        std::function<bool()> isTrusted;
        // The PRIMARY selection, for applications that copy by selecting; none: not used.
        ClipboardAccess* selection = nullptr;
        // How the session gives the clipboard, the keystrokes and the chords.
        std::function<SessionReport()> session = [] { return SessionReport(); };
        // A new chord configuration for the bindings the desktop keeps for the chords (GNOME's
        // custom shortcuts); whatever the event tap takes itself it gets through the tap.
        std::function<void(const HotkeyConfig&)> chordsChanged = [](const HotkeyConfig&) {};
    };

    AppDelegate(AppState& state, UserDefaults& defaults, Scheduler& scheduler, Platform platform,
                QString stateFile, QObject* parent = nullptr);
    ~AppDelegate() override;

    // The start-up sequence (the single-instance check has been made by then).
    void launch();
    // Hands each URL, in order, to the automation bridge.
    QList<AutomationBridge::Result> openUrls(const QList<QByteArray>& urls);
    void openMainWindow();
    // Checks the session again and starts the chords when it now allows them.
    void recheckShortcuts() { startTapWhenTrusted(); }

    AutomationBridge& automation() { return m_automation; }
    HotkeyCoordinator* coordinator() { return m_coordinator.get(); }
    EventTapController* eventTap() { return m_eventTap.get(); }
    bool isRetryingTap() const { return m_tapRetry != 0; }

    // Seams filled by the HUD, the status item and the main window when they exist.
    std::function<void(const FeedbackEvent&)> flashHud = [](const FeedbackEvent&) {};
    std::function<void(bool)> setStatusActive = [](bool) {};
    std::function<void()> showMainWindow;

private:
    void startTapWhenTrusted();
    void scheduleTapRetry();
    void scheduleSaveRetry();

    AppState& m_state;
    UserDefaults& m_defaults;
    Scheduler& m_scheduler;
    Platform m_platform;
    AutomationBridge m_automation;
    ServiceSlotClipboard m_slotClipboard;
    std::unique_ptr<HotkeyCoordinator> m_coordinator;
    std::unique_ptr<EventTapController> m_eventTap;
    std::unique_ptr<ClipboardMonitor> m_monitor;
    Scheduler::TaskId m_tapRetry = 0;
    Scheduler::TaskId m_saveRetry = 0;
    WeakSelf<AppDelegate> m_self;
};
