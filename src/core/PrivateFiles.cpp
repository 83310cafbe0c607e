#include "PrivateFiles.h"

#include "Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr QFileDevice::Permissions othersMask = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                QFileDevice::WriteOther | QFileDevice::ExeOther;

constexpr QFileDevice::Permissions ownerFolder = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                 QFileDevice::ExeOwner | QFileDevice::ReadUser |
                                                 QFileDevice::WriteUser | QFileDevice::ExeUser;

// The permissions as the usual octal digits, for the log.
QString octal(QFileDevice::Permissions p) {
    const auto digit = [&](QFileDevice::Permission r, QFileDevice::Permission w,
                           QFileDevice::Permission x) {
        return (p.testFlag(r) ? 4 : 0) + (p.testFlag(w) ? 2 : 0) + (p.testFlag(x) ? 1 : 0);
    };
    return QStringLiteral("0%1%2%3")
        .arg(digit(QFileDevice::ReadOwner, QFileDevice::WriteOwner, QFileDevice::ExeOwner))
        .arg(digit(QFileDevice::ReadGroup, QFileDevice::WriteGroup, QFileDevice::ExeGroup))
        .arg(digit(QFileDevice::ReadOther, QFileDevice::WriteOther, QFileDevice::ExeOther));
}

bool tighten(const QString& path, QFileDevice::Permissions wanted, bool report = true) {
    const QFileDevice::Permissions now = QFile::permissions(path);
    if ((now & othersMask) == 0) {
        return true;
    }
    if (!QFile::setPermissions(path, wanted)) {
        qCWarning(Log::app).noquote()
            << QStringLiteral("%1 is open to other users (%2) and cannot be made private")
                   .arg(path, octal(now));
        return false;
    }
    if (report) {
        qCInfo(Log::app).noquote() << QStringLiteral("made %1 private to this user (%2, was %3)")
                                          .arg(path, octal(QFile::permissions(path)), octal(now));
    }
    return true;
}

} // namespace

bool PrivateFiles::ensureFolder(const QString& folder, QString* error) {
    if (folder.isEmpty()) {
        if (error) {
            *error = QStringLiteral("no folder named");
        }
        return false;
    }
    const QFileInfo info(folder);
    if (!info.exists()) {
        QDir().mkpath(info.absolutePath());
        // Created private, not opened and closed again: no moment in which others may look.
        if (!QDir().mkdir(folder, ownerFolder) && !QFileInfo(folder).isDir()) {
            if (error) {
                *error = QStringLiteral("%1: the folder cannot be created").arg(folder);
            }
            return false;
        }
    } else if (!info.isDir()) {
        if (error) {
            *error = QStringLiteral("%1 is not a folder").arg(folder);
        }
        return false;
    }
    tighten(folder, ownerFolder);
    return true;
}

bool PrivateFiles::tightenFile(const QString& file, bool isNew) {
    const QFileInfo info(file);
    if (!info.exists()) {
        return true;
    }
    return tighten(file, info.permissions() & ~othersMask, !isNew);
}

bool PrivateFiles::ensureFile(const QString& file) {
    if (QFileInfo::exists(file)) {
        return tightenFile(file);
    }
    QFile f(file);
    return f.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                      QFileDevice::WriteUser);
}
