#pragma once

#include <QProcess>
#include <QStringList>

// xdotool: what the X11 suites do to windows and with the pointer, as a user would.
struct Xdotool {
    // What xdotool printed, trimmed: empty when it found nothing.
    static QString output(const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral("xdotool"), args);
        p.waitForFinished(5000);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    // Whether xdotool did what `args` ask.
    static bool run(const QStringList& args) {
        return QProcess::execute(QStringLiteral("xdotool"), args) == 0;
    }
    // The first visible window whose name matches `name` (a regular expression), or "".
    static QString window(const QString& name = QStringLiteral("^Stashwick$")) {
        return output({"search", "--onlyvisible", "--name", name}).split('\n').first();
    }
};
