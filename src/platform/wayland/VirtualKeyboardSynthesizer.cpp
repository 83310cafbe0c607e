#include "VirtualKeyboardSynthesizer.h"

#include "KeystrokeChoice.h"
#include "ToplevelForegroundApp.h"
#include "core/Log.h"

VirtualKeyboardSynthesizer::VirtualKeyboardSynthesizer(
    std::unique_ptr<WaylandVirtualKeyboard> keyboard, std::unique_ptr<ForegroundApp> foreground)
    : m_keyboard(std::move(keyboard)), m_foreground(std::move(foreground)) {}

std::unique_ptr<VirtualKeyboardSynthesizer>
VirtualKeyboardSynthesizer::create(WaylandConnection& connection, QString* error) {
    auto keyboard = WaylandVirtualKeyboard::create(connection, error);
    if (!keyboard) {
        return nullptr;
    }
    std::unique_ptr<ForegroundApp> foreground = ToplevelForegroundApp::create(connection);
    if (!foreground) {
        qCInfo(Log::hotkeys) << "the compositor does not say which window has the focus:"
                                " terminals get Control+C and Control+V too";
    }
    return std::make_unique<VirtualKeyboardSynthesizer>(std::move(keyboard), std::move(foreground));
}

QString VirtualKeyboardSynthesizer::focusedApp() const {
    return m_foreground ? m_foreground->appId() : QString();
}

bool VirtualKeyboardSynthesizer::targetCopiesBySelection() {
    return KeystrokeChoice::copiesBySelection(focusedApp());
}

void VirtualKeyboardSynthesizer::sendCopy() {
    const QString app = focusedApp();
    const auto keystroke = KeystrokeChoice::copy(app);
    if (!keystroke) {
        qCDebug(Log::hotkeys).noquote() << "no copy keystroke in" << app;
        return;
    }
    qCDebug(Log::hotkeys).noquote() << "copy:" << KeystrokeChoice::describe(*keystroke) << "in"
                                    << (app.isEmpty() ? QStringLiteral("an unknown window") : app);
    m_keyboard->tap(keystroke->modifiers,
                    m_keyboard->keyFor(keystroke->keysym).value_or(keystroke->key));
}

void VirtualKeyboardSynthesizer::sendPaste() {
    const QString app = focusedApp();
    const auto keystroke = KeystrokeChoice::paste(app);
    qCDebug(Log::hotkeys).noquote() << "paste:" << KeystrokeChoice::describe(keystroke) << "in"
                                    << (app.isEmpty() ? QStringLiteral("an unknown window") : app);
    m_keyboard->tap(keystroke.modifiers,
                    m_keyboard->keyFor(keystroke.keysym).value_or(keystroke.key));
}
