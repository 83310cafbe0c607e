#include "SystemClock.h"

#include <chrono>

Instant SystemClock::now() const {
    using namespace std::chrono;
    const auto micros = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
    return Instant::fromUnixSeconds(static_cast<double>(micros) / 1e6);
}
