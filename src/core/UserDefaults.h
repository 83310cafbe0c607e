#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <optional>

// The user's stored preferences ("hotkeyConfig", "themePalette", "appearanceMode"),
// kept with QSettings under organisation and application "Stashwick"
// ($XDG_CONFIG_HOME/Stashwick/Stashwick.conf).
class UserDefaults {
public:
    UserDefaults();
    // For tests: settings kept in the given INI file instead.
    explicit UserDefaults(const QString& iniFile);

    std::optional<QString> string(const QString& key) const;
    void setString(const QString& key, const QString& value);
    std::optional<QByteArray> data(const QString& key) const;
    void setData(const QString& key, const QByteArray& value);
    void remove(const QString& key);
    // Picks up what another process wrote to the settings file since the last read.
    void reload();

private:
    mutable QSettings m_settings;
};
