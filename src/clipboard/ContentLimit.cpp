#include "ContentLimit.h"

#include <array>

QString ContentLimit::describe(qint64 bytes) {
    if (bytes < 1000) {
        return bytes == 1 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(bytes);
    }
    static constexpr std::array<const char*, 5> units{"kB", "MB", "GB", "TB", "PB"};
    double value = static_cast<double>(bytes);
    std::size_t unit = 0;
    value /= 1000;
    while (value >= 999.95 && unit + 1 < units.size()) {
        value /= 1000;
        ++unit;
    }
    // One decimal below ten ("1.5 GB"), none above ("300 MB"); a trailing ".0" is dropped.
    const int decimals = value < 9.95 ? 1 : 0;
    QString number = QString::number(value, 'f', decimals);
    if (number.endsWith(QLatin1String(".0"))) {
        number.chop(2);
    }
    return number + QLatin1Char(' ') + QLatin1String(units[unit]);
}
