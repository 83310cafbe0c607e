#pragma once

#include "QtCompat.h"

#include <QDateTime>
#include <compare>

// A point in time as seconds since 2001-01-01 00:00:00 UTC, held as a 64-bit float.
// This is the representation the stored item encoding uses, so values round-trip
// through the store and the encoding bit for bit.
class Instant {
public:
    // Seconds between the Unix epoch and 2001-01-01 00:00:00 UTC.
    static constexpr double unixOffset = 978307200.0;

    constexpr Instant() = default;
    constexpr explicit Instant(double secondsSinceReference) : m_seconds(secondsSinceReference) {}

    static constexpr Instant fromUnixSeconds(double unixSeconds) {
        return Instant(unixSeconds - unixOffset);
    }
    static Instant fromDateTime(const QDateTime& dt) {
        return fromUnixSeconds(static_cast<double>(dt.toMSecsSinceEpoch()) / 1000.0);
    }

    constexpr double secondsSinceReference() const { return m_seconds; }
    constexpr double unixSeconds() const { return m_seconds + unixOffset; }
    QDateTime toDateTime() const {
        return QtCompat::utcFromMSecsSinceEpoch(static_cast<qint64>(unixSeconds() * 1000.0));
    }

    constexpr Instant operator+(double seconds) const { return Instant(m_seconds + seconds); }
    constexpr double operator-(Instant other) const { return m_seconds - other.m_seconds; }
    constexpr auto operator<=>(const Instant&) const = default;

private:
    double m_seconds = 0.0;
};
