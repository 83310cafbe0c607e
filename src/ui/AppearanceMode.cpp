#include "AppearanceMode.h"

#include "core/UserDefaults.h"

QString AppearanceModes::rawValue(AppearanceMode mode) {
    switch (mode) {
    case AppearanceMode::Light:
        return QStringLiteral("light");
    case AppearanceMode::Dark:
        return QStringLiteral("dark");
    case AppearanceMode::System:
        break;
    }
    return QStringLiteral("system");
}

AppearanceMode AppearanceModes::fromRaw(const QString& raw) {
    if (raw == u"light") {
        return AppearanceMode::Light;
    }
    if (raw == u"dark") {
        return AppearanceMode::Dark;
    }
    return AppearanceMode::System;
}

AppearanceMode AppearanceModes::current(const UserDefaults& defaults) {
    return fromRaw(defaults.string(defaultsKey).value_or(QString()));
}
