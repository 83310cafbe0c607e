#pragma once

#include "MainTab.h"
#include "clipboard/SystemClipboard.h"
#include "hotkeys/HotkeyConfig.h"
#include "store/ClipboardService.h"
#include "store/SlotStore.h"
#include "store/SnippetExpander.h"
#include "store/SnippetStore.h"
#include "store/StatsService.h"
#include "store/StoreContainer.h"

#include <QObject>
#include <functional>
#include <memory>

// The central state: the one store with the services over it, and the little window state
// that several parts share (tab, whether the global chords are on, automation run).
class AppState : public QObject {
    Q_OBJECT
public:
    static constexpr int historyLimit = 200;

    AppState(std::unique_ptr<StoreContainer> container, Pasteboard& pasteboard, const Clock& clock,
             bool isAutomationRun, QObject* parent = nullptr);
    ~AppState() override;

    // The program's state: ".automation" looked up in the data folder, the store opened at
    // "Store.sqlite" (or in memory after a logged failure). Stops the program with
    // "Stashwick: cannot initialize any data store" when no store can be had at all.
    static std::unique_ptr<AppState> create(Pasteboard& pasteboard, const Clock& clock);

    StoreContainer& container() { return *m_container; }
    SlotStore& slots() { return m_slots; }
    StatsService& stats() { return m_stats; }
    SnippetStore& snippets() { return m_snippets; }
    SystemClipboard& clipboard() { return m_clipboard; }
    ClipboardService& service() { return m_service; }
    const Clock& clock() const { return m_clock; }

    bool isAutomationRun() const { return m_isAutomationRun; }
    bool eventTapActive() const { return m_eventTapActive; }
    void setEventTapActive(bool active);
    MainTab mainTab() const { return m_mainTab; }
    void setMainTab(MainTab tab);
    void showNextTab() { setMainTab(MainTabs::next(m_mainTab)); }
    void showPreviousTab() { setMainTab(MainTabs::previous(m_mainTab)); }

    // Why changes are not reaching the disk (the store fell back to memory, or saving
    // fails), empty while everything is saved.
    QString notSavingReason() const { return m_container->notSavingReason(); }
    // Tries once more to save what waits; observers reload when it worked.
    bool retrySaving();

    // Set by the application; called with a new configuration when the user changed it.
    std::function<void(const HotkeyConfig&)> reloadHotkeys;

Q_SIGNALS:
    void eventTapActiveChanged(bool active);
    void mainTabChanged(MainTab tab);
    void notSavingChanged(const QString& reason);

private:
    std::unique_ptr<StoreContainer> m_container;
    const Clock& m_clock;
    SlotStore m_slots;
    StatsService m_stats;
    SnippetStore m_snippets;
    SystemClipboard m_clipboard;
    ClipboardService m_service;
    bool m_isAutomationRun;
    bool m_eventTapActive = false;
    MainTab m_mainTab = MainTab::Slots;
};
