#include "ForegroundKeystrokes.h"

#include "core/Log.h"

namespace {
QString shown(const QString& app) {
    return app.isEmpty() ? QStringLiteral("an unknown window") : app;
}
} // namespace

QString ForegroundKeystrokes::focusedApp() const {
    return m_foreground ? m_foreground->appId() : QString();
}

bool ForegroundKeystrokes::targetCopiesBySelection() {
    return KeystrokeChoice::copiesBySelection(focusedApp());
}

void ForegroundKeystrokes::sendCopy() {
    const QString app = focusedApp();
    const auto keystroke = KeystrokeChoice::copy(app);
    if (!keystroke) {
        qCDebug(Log::hotkeys).noquote() << "no copy keystroke in" << app;
        return;
    }
    qCDebug(Log::hotkeys).noquote()
        << "copy:" << KeystrokeChoice::describe(*keystroke) << "in" << shown(app);
    press(*keystroke);
}

void ForegroundKeystrokes::sendPaste() {
    const QString app = focusedApp();
    const auto keystroke = KeystrokeChoice::paste(app);
    qCDebug(Log::hotkeys).noquote()
        << "paste:" << KeystrokeChoice::describe(keystroke) << "in" << shown(app);
    press(keystroke);
}
