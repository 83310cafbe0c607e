#include "AppPaths.h"

#include <QDir>
#include <QStandardPaths>

QString AppPaths::dataDir() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty()) {
        base = QDir::tempPath();
    }
    const QString dir = QDir(base).filePath(QStringLiteral("Stashwick"));
    QDir().mkpath(dir);
    return dir;
}

QString AppPaths::storeFile() {
    return QDir(dataDir()).filePath(QStringLiteral("Store.sqlite"));
}

QString AppPaths::stateFile() {
    return QDir(dataDir()).filePath(QStringLiteral("state.json"));
}

QString AppPaths::automationMarker() {
    return QDir(dataDir()).filePath(QStringLiteral(".automation"));
}
