#pragma once

#include <QLoggingCategory>

// The program's four log categories, all under the "io.stashwick" prefix.
// Use with Qt's category macros: qCCritical(Log::store) << ...
class Log {
public:
    static const QLoggingCategory& app();
    static const QLoggingCategory& hotkeys();
    static const QLoggingCategory& store();
    static const QLoggingCategory& automation();
};
