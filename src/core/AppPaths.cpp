#include "AppPaths.h"

#include "PrivateFiles.h"

#include <QDir>
#include <QStandardPaths>

namespace {

QString inDataDir(const QString& name) {
    const QString dir = AppPaths::dataDir();
    return dir.isEmpty() ? QString() : QDir(dir).filePath(name);
}

} // namespace

QString AppPaths::dataDir() {
    // Without XDG_DATA_HOME and HOME, Qt would name a folder below "/": no place of the user's.
    if (!QDir::isAbsolutePath(qEnvironmentVariable("XDG_DATA_HOME")) &&
        !QDir::isAbsolutePath(qEnvironmentVariable("HOME"))) {
        return QString();
    }
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty()) {
        return QString();
    }
    const QString dir = QDir(base).filePath(QStringLiteral("Stashwick"));
    PrivateFiles::ensureFolder(dir);
    return dir;
}

QString AppPaths::storeFile() {
    return inDataDir(QStringLiteral("Store.sqlite"));
}

QString AppPaths::stateFile() {
    return inDataDir(QStringLiteral("state.json"));
}

QString AppPaths::automationMarker() {
    return inDataDir(QStringLiteral(".automation"));
}
