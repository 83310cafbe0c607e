#pragma once

#include <QString>

class UserDefaults;

// Whether the program follows the desktop's light or dark look, or forces one.
// Stored as its raw value under "appearanceMode"; missing or unknown reads as System.
enum class AppearanceMode { System, Light, Dark };

class AppearanceModes {
public:
    static inline const QString defaultsKey = QStringLiteral("appearanceMode");
    static QString rawValue(AppearanceMode mode);
    static AppearanceMode fromRaw(const QString& raw);
    static AppearanceMode current(const UserDefaults& defaults);
};
