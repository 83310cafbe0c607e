#pragma once

#include "core/Instant.h"

#include <QString>

// Short relative-time texts ("just now", "5m ago", "2 months ago"). Not localised.
class RelativeTime {
public:
    static QString string(Instant from, Instant to);
};
