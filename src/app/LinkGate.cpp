#include "LinkGate.h"

#include "LinkPolicy.h"
#include "core/Log.h"

#include <algorithm>

namespace {
using Result = AutomationBridge::Result;
using Verdict = AutomationBridge::Verdict;
} // namespace

LinkGate::LinkGate(AutomationBridge& bridge, LinkPrompt& prompt, Scheduler& scheduler)
    : LinkGate(bridge, prompt, scheduler, FrontWindow()) {}

LinkGate::LinkGate(AutomationBridge& bridge, LinkPrompt& prompt, Scheduler& scheduler,
                   FrontWindow front)
    : m_bridge(bridge), m_prompt(prompt), m_scheduler(scheduler), m_front(std::move(front)),
      m_self(this) {}

LinkGate::~LinkGate() {
    if (m_timer) {
        m_scheduler.cancel(m_timer);
    }
    if (m_burstEnd) {
        m_scheduler.cancel(m_burstEnd);
        endBurst();
    }
    if (m_phase == Phase::Asking) {
        m_prompt.withdraw();
    }
}

int LinkGate::heldCount() const {
    return static_cast<int>(m_waiting.size()) + (m_current ? 1 : 0);
}

Result LinkGate::open(const QByteArray& url) {
    const auto parsed = AutomationUrl::parse(url);
    if (!parsed) {
        return {Verdict::Refused, AutomationUrl::refusal(url)};
    }
    switch (LinkPolicy::handling(*parsed)) {
    case LinkPolicy::Handling::AtOnce:
        return m_bridge.handleWithReason(url);
    case LinkPolicy::Handling::Refuse:
        return refuse(url, QStringLiteral("unknown action: %1").arg(parsed->action()));
    case LinkPolicy::Handling::Ask:
        break;
    }
    const bool asked = m_phase == Phase::Asking && m_current == url;
    if (asked || std::find(m_waiting.begin(), m_waiting.end(), url) != m_waiting.end()) {
        return {Verdict::Waiting,
                QStringLiteral("already waiting for you to allow it in Stashwick")};
    }
    if (heldCount() >= maxHeld) {
        return refuse(url, QStringLiteral("refused: %1 links already wait for an answer in "
                                          "Stashwick")
                               .arg(maxHeld));
    }
    m_waiting.push_back(url);
    if (m_phase == Phase::Idle) {
        askNext();
    } else if (m_phase == Phase::Asking) {
        m_prompt.setOthersWaiting(static_cast<int>(m_waiting.size()));
    }
    return {Verdict::Waiting, QStringLiteral("waiting for you to allow it in Stashwick")};
}

void LinkGate::askNext() {
    if (m_waiting.empty()) {
        m_phase = Phase::Idle;
        m_frontWindow = 0;
        return;
    }
    if (m_phase == Phase::Idle) {
        // Links that follow one another go to the window the user was in before the first.
        m_frontWindow = m_front.current();
    }
    m_current = m_waiting.front();
    m_waiting.pop_front();
    m_phase = Phase::Asking;
    const auto parsed = AutomationUrl::parse(*m_current);
    const LinkQuestion question{parsed ? LinkPolicy::describe(*parsed) : QString(),
                                shownUrl(*m_current), static_cast<int>(m_waiting.size())};
    m_timer = m_scheduler.schedule(answerTimeout, [this] {
        m_timer = 0;
        timedOut();
    });
    const auto weak = m_self.handle();
    const std::uint64_t asked = ++m_questions;
    m_prompt.ask(question, [weak, asked](LinkPrompt::Answer answer) {
        const auto self = weak.get();
        // A late answer to a question that is gone changes nothing.
        if (self && self->m_phase == Phase::Asking && self->m_questions == asked) {
            self->answered(answer);
        }
    });
}

void LinkGate::answered(LinkPrompt::Answer answer) {
    if (m_timer) {
        m_scheduler.cancel(m_timer);
        m_timer = 0;
    }
    switch (answer) {
    case LinkPrompt::Answer::Allow:
        qCInfo(Log::automation).noquote()
            << QStringLiteral("link allowed: %1").arg(shownUrl(*m_current));
        m_phase = Phase::Returning;
        if (m_frontWindow) {
            m_front.activate(m_frontWindow);
        }
        waitForFront(0);
        return;
    case LinkPrompt::Answer::Deny:
        unanswered(QStringLiteral("link denied"));
        return;
    case LinkPrompt::Answer::Closed:
        unanswered(QStringLiteral("link not carried out, its question was closed"));
        return;
    }
}

void LinkGate::timedOut() {
    m_prompt.withdraw();
    unanswered(
        QStringLiteral("link not carried out, no answer within %1 seconds").arg(answerTimeout));
}

void LinkGate::unanswered(const QString& why) {
    qCInfo(Log::automation).noquote() << QStringLiteral("%1: %2").arg(why, shownUrl(*m_current));
    m_current.reset();
    if (m_waiting.empty() && m_frontWindow) {
        m_front.activate(m_frontWindow); // back to where the user was
    }
    askNext();
}

void LinkGate::waitForFront(double waited) {
    const auto parsed = AutomationUrl::parse(*m_current);
    const bool keys = parsed && LinkPolicy::pressesKeys(*parsed);
    const bool ready =
        m_frontWindow ? m_front.current() == m_frontWindow : !keys || waited >= blindFocusDelay;
    if (ready) {
        carryOut();
        return;
    }
    if (waited >= focusTimeout) {
        if (keys) {
            // The keys would land in whatever window is in front now.
            qCWarning(Log::automation).noquote()
                << QStringLiteral("link not carried out, the window that was in front did not "
                                  "come back: %1")
                       .arg(shownUrl(*m_current));
            m_current.reset();
            askNext();
            return;
        }
        carryOut();
        return;
    }
    m_timer = m_scheduler.schedule(focusPollInterval, [this, waited] {
        m_timer = 0;
        waitForFront(waited + focusPollInterval);
    });
}

void LinkGate::carryOut() {
    const QByteArray url = *m_current;
    const auto parsed = AutomationUrl::parse(url);
    const bool keys = parsed && LinkPolicy::pressesKeys(*parsed);
    m_current.reset();
    m_phase = Phase::Pausing;
    const Result result = m_bridge.handleWithReason(url);
    if (result.verdict != Verdict::Done || !result.reason.isEmpty()) {
        qCInfo(Log::automation).noquote()
            << QStringLiteral("allowed link %1: %2").arg(shownUrl(url), result.reason);
    }
    if (!keys) {
        askNext();
        return;
    }
    m_timer = m_scheduler.schedule(keysSettle, [this] {
        m_timer = 0;
        askNext();
    });
}

Result LinkGate::refuse(const QByteArray& url, const QString& reason) {
    if (m_burstEnd) {
        ++m_unloggedRefusals;
        m_scheduler.cancel(m_burstEnd);
    } else {
        qCWarning(Log::automation).noquote() << QStringLiteral("refused a link (%1): %2")
                                                    .arg(LinkPolicy::shown(reason), shownUrl(url));
        scheduleBurstSummary();
    }
    m_burstEnd = m_scheduler.schedule(burstQuiet, [this] {
        m_burstEnd = 0;
        endBurst();
    });
    return {Verdict::Refused, reason};
}

void LinkGate::scheduleBurstSummary() {
    m_burstSummary = m_scheduler.schedule(burstSummaryInterval, [this] {
        m_burstSummary = 0;
        logRefusals();
        scheduleBurstSummary();
    });
}

void LinkGate::endBurst() {
    if (m_burstSummary) {
        m_scheduler.cancel(m_burstSummary);
        m_burstSummary = 0;
    }
    logRefusals();
}

void LinkGate::logRefusals() {
    if (m_unloggedRefusals > 0) {
        qCWarning(Log::automation).noquote()
            << QStringLiteral("refused %1 more %2 from other programs")
                   .arg(m_unloggedRefusals)
                   .arg(m_unloggedRefusals == 1 ? QStringLiteral("link") : QStringLiteral("links"));
    }
    m_unloggedRefusals = 0;
}

QString LinkGate::shownUrl(const QByteArray& url) {
    return LinkPolicy::shown(QString::fromUtf8(url), shownUrlLimit);
}
