#pragma once

#include <cstdint>
#include <functional>

// Runs work later on the main thread. Everything that waits (poll timers, copy waits,
// restore delays, HUD timing) goes through this, so tests can drive time by hand.
class Scheduler {
public:
    using TaskId = std::uint64_t;

    virtual ~Scheduler() = default;

    // Runs `task` once, `delaySeconds` from now (0 means on the next turn of the loop).
    // The returned id can be passed to cancel() while the task has not run yet.
    virtual TaskId schedule(double delaySeconds, std::function<void()> task) = 0;
    virtual void cancel(TaskId id) = 0;
};
