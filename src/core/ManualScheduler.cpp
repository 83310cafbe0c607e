#include "ManualScheduler.h"

#include <algorithm>
#include <cmath>

Scheduler::TaskId ManualScheduler::schedule(double delaySeconds, std::function<void()> task) {
    const TaskId id = m_next++;
    const double delay = std::isfinite(delaySeconds) ? std::max(0.0, delaySeconds) : 0.0;
    m_tasks.emplace(Key{m_clock.now().secondsSinceReference() + delay, id}, std::move(task));
    return id;
}

void ManualScheduler::cancel(TaskId id) {
    std::erase_if(m_tasks, [id](const auto& entry) { return entry.first.second == id; });
}

void ManualScheduler::advance(double seconds) {
    // A microsecond of slack so that sums like 25 x 0.01 land on the task due at 0.25
    // despite rounding at the clock's magnitude.
    constexpr double slack = 1e-6;
    const double target = m_clock.now().secondsSinceReference() + seconds;
    const double end = target + slack;
    while (!m_tasks.empty() && m_tasks.begin()->first.first <= end) {
        auto node = m_tasks.extract(m_tasks.begin());
        const double due = node.key().first;
        if (due > m_clock.now().secondsSinceReference()) {
            m_clock.set(Instant(due));
        }
        node.mapped()();
    }
    if (target > m_clock.now().secondsSinceReference()) {
        m_clock.set(Instant(target));
    }
}

double ManualScheduler::nextDelay() const {
    if (m_tasks.empty()) {
        return -1.0;
    }
    return m_tasks.begin()->first.first - m_clock.now().secondsSinceReference();
}
