#pragma once

#include "ManualClock.h"
#include "Scheduler.h"

#include <functional>
#include <map>
#include <utility>

// A scheduler for tests: tasks run only when the test advances time, in order of their
// due time (ties in the order they were scheduled), and the manual clock moves with them.
class ManualScheduler final : public Scheduler {
public:
    explicit ManualScheduler(ManualClock& clock) : m_clock(clock) {}

    TaskId schedule(double delaySeconds, std::function<void()> task) override;
    void cancel(TaskId id) override;

    // Moves the clock forward by `seconds`, running every task that falls due on the way
    // (including tasks those tasks schedule within the window).
    void advance(double seconds);

    std::size_t pendingCount() const { return m_tasks.size(); }
    // Seconds from now until the next task is due; negative when nothing is pending.
    double nextDelay() const;

private:
    using Key = std::pair<double, TaskId>;
    ManualClock& m_clock;
    TaskId m_next = 1;
    std::map<Key, std::function<void()>> m_tasks;
};
