#pragma once

#include "HotkeyDecision.h"
#include "KeystrokeSynthesizing.h"
#include "SlotClipboard.h"
#include "clipboard/ClipboardAccess.h"
#include "core/Scheduler.h"
#include "core/WeakSelf.h"
#include "hotkeys/FeedbackEvent.h"

#include <QList>
#include <functional>
#include <memory>

// Carries out chord decisions. Copy: synthesise the copy keystroke, wait (never blocking)
// up to 25 x 10 ms for the clipboard to change, then capture it into the slot. Paste:
// remember the clipboard, load the slot, synthesise the paste keystroke, and put the
// remembered content back once the application in front has read the slot (PasteRestore).
// Where the clipboard reports its changes and the reads of our content, the copy's wait ends
// on the change notice (ClipboardChangeWait) and the restore follows the reads; elsewhere the
// copy looks every 10 ms and the restore comes after the slots' restore delay. What
// another program copies while the slot waits to be read stays: the restore leaves it there.
//
// An application that copies by selecting (see KeystrokeSynthesizing) gets no copy keystroke:
// its selection (`selection`, the PRIMARY selection) is captured at once. Pasting into it puts
// the slot on the clipboard and on the selection, and restores both.
//
// While the synthesizer cannot press keys, copy captures what is on the clipboard at once and
// paste only loads the slot onto the clipboard, for the user to paste, and restores nothing.
// With a settle delay, the keys are pressed that long after the chord, and where the synthesizer
// must wait for the user to let go of the chord's modifiers, after that; the copy's wait for the
// clipboard and the paste's restore delay count from the keys.
class HotkeyCoordinator {
public:
    static constexpr int copyWaitAttempts = 25;
    static constexpr double copyWaitInterval = 0.010;

    HotkeyCoordinator(ClipboardAccess& clipboard, SlotClipboard& slots,
                      KeystrokeSynthesizing& synth, Scheduler& scheduler,
                      ClipboardAccess* selection = nullptr);
    HotkeyCoordinator(const HotkeyCoordinator&) = delete;
    HotkeyCoordinator& operator=(const HotkeyCoordinator&) = delete;

    void handle(const HotkeyDecision& decision);
    void copy(int slot);
    void paste(int slot);

    std::function<void()> onSummon = [] {};
    // A copy chord reads the clipboard itself: the history holds its own look from the keys
    // to the capture, and learns the change counter at which the capture read it (absent when
    // it was refused for its size, which the history then tells itself).
    std::function<void()> holdHistory = [] {};
    std::function<void(std::optional<qint64>)> releaseHistory = [](std::optional<qint64>) {};
    std::function<void(const FeedbackEvent&)> onFeedback = [](const FeedbackEvent&) {};

private:
    // A paste has put the user's clipboard back (or was given up): copies waiting for it go.
    void pasteRestored();
    // `held`: the history was held for this copy, and is released once it is captured.
    void finishCopy(int slot, ClipboardAccess& source, FeedbackOutcome outcome, bool held = false);
    void pressCopy(int slot);
    // What `source` holds, to put back after a paste; logs content too large to hold.
    static std::optional<ClipboardItem> remember(ClipboardAccess& source, const char* name);
    // Runs `task` after the synthesizer's settle delay (at once without one), once the user's
    // held modifiers no longer get in the way, with the coordinator, or with null once the
    // coordinator is gone.
    void afterSettle(std::function<void(HotkeyCoordinator*)> task);

    ClipboardAccess& m_clipboard;
    SlotClipboard& m_slots;
    // Pastes whose restore of the user's clipboard is still to come, and the copies that wait
    // for them: a copy's wait for the application's copy must not end on that restore.
    int m_restoresPending = 0;
    QList<int> m_copiesWaiting;
    KeystrokeSynthesizing& m_synth;
    Scheduler& m_scheduler;
    ClipboardAccess* m_selection;
    // Scheduled steps hold this weakly: once the coordinator is gone they do nothing.
    WeakSelf<HotkeyCoordinator> m_self;
};
