#pragma once

#include "Clock.h"

// A clock that only moves when told to. Starts at a fixed, arbitrary moment.
class ManualClock final : public Clock {
public:
    explicit ManualClock(Instant start = Instant(786000000.0)) : m_now(start) {}

    Instant now() const override { return m_now; }
    void set(Instant t) { m_now = t; }
    void advance(double seconds) { m_now = m_now + seconds; }

private:
    Instant m_now;
};
