#include "Log.h"

const QLoggingCategory& Log::app() {
    static const QLoggingCategory category("io.stashwick.app");
    return category;
}

const QLoggingCategory& Log::hotkeys() {
    static const QLoggingCategory category("io.stashwick.hotkeys");
    return category;
}

const QLoggingCategory& Log::store() {
    static const QLoggingCategory category("io.stashwick.store");
    return category;
}

const QLoggingCategory& Log::automation() {
    static const QLoggingCategory category("io.stashwick.automation");
    return category;
}
