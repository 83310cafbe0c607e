#include "UserDefaults.h"

#include "PrivateFiles.h"

#include <QFileInfo>

UserDefaults::UserDefaults()
    : m_settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Stashwick"),
                 QStringLiteral("Stashwick")) {
    // The folder is Stashwick's own ($XDG_CONFIG_HOME/Stashwick).
    const QString file = m_settings.fileName();
    if (PrivateFiles::ensureFolder(QFileInfo(file).absolutePath())) {
        keepPrivate();
    }
}

UserDefaults::UserDefaults(const QString& iniFile) : m_settings(iniFile, QSettings::IniFormat) {
    keepPrivate();
}

void UserDefaults::keepPrivate() {
    // QSettings writes through a new file that takes the old one's permissions: a file that
    // exists as 0600 from the start stays 0600 through every write.
    PrivateFiles::ensureFile(m_settings.fileName());
}

std::optional<QString> UserDefaults::string(const QString& key) const {
    const QVariant v = m_settings.value(key);
    if (!v.isValid() || v.typeId() != QMetaType::QString) {
        return std::nullopt;
    }
    return v.toString();
}

void UserDefaults::setString(const QString& key, const QString& value) {
    m_settings.setValue(key, value);
    m_settings.sync();
    Q_EMIT changed(key);
}

std::optional<QByteArray> UserDefaults::data(const QString& key) const {
    const QVariant v = m_settings.value(key);
    if (!v.isValid()) {
        return std::nullopt;
    }
    if (v.typeId() == QMetaType::QByteArray) {
        return v.toByteArray();
    }
    if (v.typeId() == QMetaType::QString) {
        return v.toString().toUtf8();
    }
    return std::nullopt;
}

void UserDefaults::setData(const QString& key, const QByteArray& value) {
    m_settings.setValue(key, value);
    m_settings.sync();
    Q_EMIT changed(key);
}

void UserDefaults::remove(const QString& key) {
    m_settings.remove(key);
    m_settings.sync();
    Q_EMIT changed(key);
}

void UserDefaults::reload() {
    m_settings.sync();
    Q_EMIT changed(QString());
}
