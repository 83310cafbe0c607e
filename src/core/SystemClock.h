#pragma once

#include "Clock.h"

class SystemClock final : public Clock {
public:
    Instant now() const override;
};
