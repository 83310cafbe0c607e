#pragma once

#include "AutomationBridge.h"
#include "LinkPrompt.h"
#include "core/Scheduler.h"
#include "core/WeakSelf.h"

#include <QByteArray>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

// Links that other programs open (the desktop entry hands them over; a web page can make a
// browser open them). Those that only show something run at once; every other one is put to
// the user first (LinkPrompt), one at a time, and runs only when allowed, exactly as the
// stashwick command would run it. Nobody waits for the answer: the reply says that the link
// waits. Deny, closing the question or no answer within answerTimeout does nothing but log
// one line. At most maxHeld links are held (identical ones are folded into one); the rest,
// and links of actions it does not know, are refused at once, logged in a line per burst.
//
// An action that presses keys (paste, copy) goes to the window that was in front when the
// link came: it is made the active window again, and the keys go out only once it is.
class LinkGate {
public:
    static constexpr int maxHeld = 16;
    static constexpr double answerTimeout = 60.0;
    // How long the window that was in front gets to become the active one again.
    static constexpr double focusTimeout = 2.0;
    static constexpr double focusPollInterval = 0.02;
    // When the window in front cannot be told: how long the keys wait for the question to
    // have handed the focus back.
    static constexpr double blindFocusDelay = 0.3;
    // After keys went out, the next question waits this long, so it takes the focus only
    // once they have arrived.
    static constexpr double keysSettle = 1.0;
    // Refusals come in bursts (a page that opens links by the hundred). The first of a burst
    // is logged at once; the others are counted and logged in one line once none has come
    // for burstQuiet seconds, and at least every burstSummaryInterval while it goes on.
    static constexpr double burstQuiet = 30.0;
    static constexpr double burstSummaryInterval = 60.0;
    static constexpr qsizetype shownUrlLimit = 200;

    // The window in front, through the platform's window activation.
    struct FrontWindow {
        // The active window now; 0 when that cannot be told.
        std::function<unsigned long()> current = [] { return 0UL; };
        std::function<void(unsigned long)> activate = [](unsigned long) {};
    };

    // Without a window manager to ask: the window in front cannot be told.
    LinkGate(AutomationBridge& bridge, LinkPrompt& prompt, Scheduler& scheduler);
    LinkGate(AutomationBridge& bridge, LinkPrompt& prompt, Scheduler& scheduler, FrontWindow front);
    ~LinkGate();
    LinkGate(const LinkGate&) = delete;
    LinkGate& operator=(const LinkGate&) = delete;

    // Takes a link and replies at once: what it did (it ran at once), Waiting (it is asked
    // about or waits its turn), or Refused.
    AutomationBridge::Result open(const QByteArray& url);

    // Links held: the one asked about or being carried out, and those waiting behind it.
    int heldCount() const;
    bool isAsking() const { return m_phase == Phase::Asking; }

private:
    enum class Phase { Idle, Asking, Returning, Pausing };

    void askNext();
    void answered(LinkPrompt::Answer answer);
    void timedOut();
    void unanswered(const QString& why);
    void waitForFront(double waited);
    void carryOut();
    // Refuses at once; logged one line per burst of refusals.
    AutomationBridge::Result refuse(const QByteArray& url, const QString& reason);
    void logRefusals();
    void endBurst();
    void scheduleBurstSummary();
    static QString shownUrl(const QByteArray& url);

    AutomationBridge& m_bridge;
    LinkPrompt& m_prompt;
    Scheduler& m_scheduler;
    FrontWindow m_front;
    std::deque<QByteArray> m_waiting;
    std::optional<QByteArray> m_current;
    Phase m_phase = Phase::Idle;
    // The window in front when the first of the links now held came.
    unsigned long m_frontWindow = 0;
    // The question shown: its timeout, or the wait for the focus, or the pause after keys.
    Scheduler::TaskId m_timer = 0;
    // Questions asked so far; an answer counts only for the last.
    std::uint64_t m_questions = 0;
    // While refusals come: the end of the burst, and its next summary line.
    Scheduler::TaskId m_burstEnd = 0;
    Scheduler::TaskId m_burstSummary = 0;
    int m_unloggedRefusals = 0;
    WeakSelf<LinkGate> m_self;
};
