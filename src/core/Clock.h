#pragma once

#include "Instant.h"

// Source of the current time. The program uses SystemClock; tests use ManualClock.
class Clock {
public:
    virtual ~Clock() = default;
    virtual Instant now() const = 0;
};
