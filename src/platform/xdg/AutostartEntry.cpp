#include "AutostartEntry.h"

#include "core/AtomicFile.h"
#include "core/Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString configHome() {
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    return QDir::isAbsolutePath(xdg) ? xdg : QDir::homePath() + QStringLiteral("/.config");
}

// Exec quoting of freedesktop.org desktop entries: the path in double quotes, with ", `, $
// and \ escaped.
QByteArray quoted(const QString& command) {
    QString out;
    for (QChar c : command) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') {
            out += u'\\';
        }
        out += c;
    }
    return "\"" + out.toUtf8() + "\"";
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
    return configHome() + QStringLiteral("/autostart/stashwick.desktop");
}

bool AutostartEntry::isEnabled() {
    QFile f(path());
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
        if (QFile::exists(file) && !QFile::remove(file)) {
            return fail(QStringLiteral("cannot remove %1").arg(file), error);
        }
        return true;
    }
    if (!QFileInfo(command).isAbsolute()) {
        return fail(QStringLiteral("the command %1 is not an absolute path").arg(command), error);
    }
    if (!QDir().mkpath(QFileInfo(file).absolutePath())) {
        return fail(QStringLiteral("cannot create %1").arg(QFileInfo(file).absolutePath()), error);
    }
    QString why;
    if (!AtomicFile::write(file, contents(command), &why)) {
        return fail(QStringLiteral("cannot write %1: %2").arg(file, why), error);
    }
    return true;
}
