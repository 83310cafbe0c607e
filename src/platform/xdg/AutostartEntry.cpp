#include "AutostartEntry.h"

#include "core/AppIdentity.h"
#include "core/AtomicFile.h"
#include "core/Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {

QString configHome() {
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    return QDir::isAbsolutePath(xdg) ? xdg : QDir::homePath() + QStringLiteral("/.config");
}

// The Exec value for `command`, as desktop entries require: the path as one quoted argument,
// with ", `, $ and \ escaped inside the quotes; then the escapes of every string value (\ as
// \\, so a backslash in the path becomes four), and % doubled, as field codes start with it.
QByteArray quoted(const QString& command) {
    QString argument;
    for (QChar c : command) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') {
            argument += u'\\';
        }
        argument += c;
    }
    QString value;
    for (QChar c : argument) {
        if (c == u'\\') {
            value += QStringLiteral("\\\\");
        } else if (c == u'%') {
            value += QStringLiteral("%%");
        } else {
            value += c;
        }
    }
    return "\"" + value.toUtf8() + "\"";
}

// A path that no desktop entry line can hold as it is.
bool hasControlCharacter(const QString& command) {
    return std::any_of(command.cbegin(), command.cend(),
                       [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}

bool fail(const QString& why, QString* error) {
    if (error) {
        *error = why;
    }
    qCCritical(Log::app).noquote() << QStringLiteral("login item update failed: %1").arg(why);
    return false;
}

} // namespace

QString AutostartEntry::path() {
    return configHome() + QStringLiteral("/autostart/") + AppIdentity::desktopFile();
}

QString AutostartEntry::earlierPath() {
    return configHome() + QStringLiteral("/autostart/stashwick.desktop");
}

bool AutostartEntry::isEnabled() {
    QFile f(QFile::exists(path()) ? path() : earlierPath());
    if (!f.open(QIODevice::ReadOnly)) {
        return false;
    }
    bool inEntry = false;
    for (const QByteArray& raw : f.readAll().split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (!inEntry || eq < 0) {
            continue;
        }
        const QByteArray key = line.left(eq).trimmed();
        const QByteArray value = line.mid(eq + 1).trimmed().toLower();
        if ((key == "Hidden" && value == "true") ||
            (key == "X-GNOME-Autostart-enabled" && value == "false")) {
            return false;
        }
    }
    return true;
}

QByteArray AutostartEntry::contents(const QString& command) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Stashwick\n"
           "Comment=Start Stashwick automatically when you sign in.\n"
           "Exec=" +
           quoted(command) +
           "\n"
           "Icon=stashwick\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool AutostartEntry::setEnabled(bool enabled, const QString& command, QString* error) {
    const QString file = path();
    if (!enabled) {
        for (const QString& entry : {file, earlierPath()}) {
            if (QFile::exists(entry) && !QFile::remove(entry)) {
                return fail(QStringLiteral("cannot remove %1").arg(entry), error);
            }
        }
        return true;
    }
    if (!QFileInfo(command).isAbsolute()) {
        return fail(QStringLiteral("the command %1 is not an absolute path").arg(command), error);
    }
    if (hasControlCharacter(command)) {
        return fail(QStringLiteral("the command's path holds a control character"), error);
    }
    if (!QDir().mkpath(QFileInfo(file).absolutePath())) {
        return fail(QStringLiteral("cannot create %1").arg(QFileInfo(file).absolutePath()), error);
    }
    QString why;
    if (!AtomicFile::write(file, contents(command), &why)) {
        return fail(QStringLiteral("cannot write %1: %2").arg(file, why), error);
    }
    // The entry under its earlier name is replaced by this one: the session would start a
    // second instance from it otherwise.
    QFile::remove(earlierPath());
    return true;
}
