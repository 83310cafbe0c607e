#include "KeyboardSettings.h"

#include <QProcess>

QStringList KeyboardSettings::command(const QString& currentDesktop) {
    // XDG_CURRENT_DESKTOP is a colon-separated list, most specific first ("ubuntu:GNOME").
    for (const QString& name : currentDesktop.toLower().split(u':', Qt::SkipEmptyParts)) {
        if (name == u"gnome" || name == u"unity") {
            return {QStringLiteral("gnome-control-center"), QStringLiteral("keyboard")};
        }
        if (name == u"kde") {
            return {QStringLiteral("systemsettings"), QStringLiteral("kcm_keys")};
        }
        if (name == u"xfce") {
            return {QStringLiteral("xfce4-keyboard-settings")};
        }
        if (name == u"x-cinnamon" || name == u"cinnamon") {
            return {QStringLiteral("cinnamon-settings"), QStringLiteral("keyboard")};
        }
        if (name == u"mate") {
            return {QStringLiteral("mate-keybinding-properties")};
        }
    }
    return {};
}

bool KeyboardSettings::open() {
    const QStringList c = command();
    return !c.isEmpty() && QProcess::startDetached(c.first(), c.mid(1));
}
