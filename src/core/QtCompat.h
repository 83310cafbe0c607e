#pragma once

#include <QDateTime>
#include <QtGlobal>

// The few calls whose spelling differs between the Qt versions Stashwick builds with (6.4 to
// 6.11): the newer form where Qt has it, the older one before, and only here.
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
#include <QTimeZone>
#endif

namespace QtCompat {

// The moment `msecs` after the Unix epoch, in UTC.
inline QDateTime utcFromMSecsSinceEpoch(qint64 msecs) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    return QDateTime::fromMSecsSinceEpoch(msecs, QTimeZone::UTC);
#else
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
#endif
}

} // namespace QtCompat
