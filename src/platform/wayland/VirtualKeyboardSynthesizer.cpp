#include "VirtualKeyboardSynthesizer.h"

#include "KeystrokeChoice.h"
#include "ToplevelForegroundApp.h"
#include "core/Log.h"

VirtualKeyboardSynthesizer::VirtualKeyboardSynthesizer(
    std::unique_ptr<WaylandVirtualKeyboard> keyboard, std::unique_ptr<ForegroundApp> foreground)
    : ForegroundKeystrokes(std::move(foreground)), m_keyboard(std::move(keyboard)) {}

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

void VirtualKeyboardSynthesizer::press(const KeystrokeChoice::Keystroke& keystroke) {
    m_keyboard->tap(keystroke.modifiers,
                    m_keyboard->keyFor(keystroke.keysym).value_or(keystroke.key));
}
