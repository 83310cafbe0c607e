#include "RelativeTime.h"

#include <cmath>

namespace {
QString plural(qint64 n, const char* unit) {
    return QStringLiteral("%1 %2%3 ago")
        .arg(n)
        .arg(QLatin1String(unit))
        .arg(n == 1 ? QString() : QStringLiteral("s"));
}
} // namespace

QString RelativeTime::string(Instant from, Instant to) {
    const double s = to - from;
    if (std::isnan(s) || s < 60) {
        return QStringLiteral("just now");
    }
    if (s < 3600) {
        return QStringLiteral("%1m ago").arg(static_cast<qint64>(s / 60));
    }
    if (s < 86400) {
        return QStringLiteral("%1h ago").arg(static_cast<qint64>(s / 3600));
    }
    if (s < 2592000) {
        return QStringLiteral("%1d ago").arg(static_cast<qint64>(s / 86400));
    }
    if (s < 31536000) {
        return plural(static_cast<qint64>(s / 2592000), "month");
    }
    if (std::isinf(s)) {
        return QStringLiteral("just now");
    }
    return plural(static_cast<qint64>(std::min(s / 31536000, 1e15)), "year");
}
