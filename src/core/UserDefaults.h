#pragma once

#include <QByteArray>
#include <QObject>
#include <QSettings>
#include <QString>
#include <optional>

// The user's stored preferences ("hotkeyConfig", "themePalette", "appearanceMode"),
// kept with QSettings under organisation and application "Stashwick"
// ($XDG_CONFIG_HOME/Stashwick/Stashwick.conf).
// Every change made through it is announced with `changed`, so open windows follow at once.
class UserDefaults : public QObject {
    Q_OBJECT
public:
    UserDefaults();
    // For tests: settings kept in the given INI file instead.
    explicit UserDefaults(const QString& iniFile);

    std::optional<QString> string(const QString& key) const;
    void setString(const QString& key, const QString& value);
    std::optional<QByteArray> data(const QString& key) const;
    void setData(const QString& key, const QByteArray& value);
    void remove(const QString& key);
    // Picks up what another process wrote to the settings file since the last read (and
    // announces every key as possibly changed).
    void reload();

Q_SIGNALS:
    // `key` was set or removed; empty after a reload.
    void changed(const QString& key);

private:
    void keepPrivate();

    mutable QSettings m_settings;
};
