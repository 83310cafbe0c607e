#include "FakeInputSynthesizer.h"

#include "PlasmaForegroundApp.h"
#include "WaylandConnection.h"
#include "core/Log.h"

#include <QString>
#include <fake-input-client-protocol.h>
#include <linux/input-event-codes.h>
#include <wayland-client.h>

namespace {

// Keyboard keys arrived with version 4.
constexpr quint32 keyboardVersion = 4;

// The modifier keys a user may hold from a chord.
constexpr quint32 modifierKeys[] = {KEY_LEFTCTRL, KEY_RIGHTCTRL, KEY_LEFTSHIFT, KEY_RIGHTSHIFT,
                                    KEY_LEFTALT,  KEY_RIGHTALT,  KEY_LEFTMETA,  KEY_RIGHTMETA};

} // namespace

FakeInputSynthesizer::FakeInputSynthesizer(WaylandConnection& connection,
                                           org_kde_kwin_fake_input* fakeInput,
                                           std::unique_ptr<ForegroundApp> foreground)
    : ForegroundKeystrokes(std::move(foreground)), m_connection(connection),
      m_fakeInput(fakeInput) {}

std::unique_ptr<FakeInputSynthesizer> FakeInputSynthesizer::create(WaylandConnection& connection,
                                                                   QString* error) {
    auto* fakeInput = static_cast<org_kde_kwin_fake_input*>(
        connection.bind(&org_kde_kwin_fake_input_interface, keyboardVersion, keyboardVersion));
    if (!fakeInput) {
        if (error) {
            *error = connection.global("org_kde_kwin_fake_input")
                         ? QStringLiteral("KWin's fake input is too old for keyboard keys")
                         : QStringLiteral("the compositor offers no fake input");
        }
        return nullptr;
    }
    org_kde_kwin_fake_input_authenticate(
        fakeInput, "Stashwick",
        "Presses Copy and Paste in the application in front for the clipboard slots");
    std::unique_ptr<ForegroundApp> foreground = PlasmaForegroundApp::create(connection);
    if (!foreground) {
        qCInfo(Log::hotkeys) << "the compositor does not say which window has the focus:"
                                " terminals get Control+C and Control+V too";
    }
    return std::make_unique<FakeInputSynthesizer>(connection, fakeInput, std::move(foreground));
}

FakeInputSynthesizer::~FakeInputSynthesizer() {
    org_kde_kwin_fake_input_destroy(m_fakeInput);
}

QList<FakeInputSynthesizer::KeyEvent>
FakeInputSynthesizer::keyEvents(const KeystrokeChoice::Keystroke& keystroke) {
    QList<KeyEvent> events;
    for (quint32 key : modifierKeys) {
        events.append({key, false});
    }
    QList<quint32> held;
    if (keystroke.modifiers.contains(Modifiers::control)) {
        held.append(KEY_LEFTCTRL);
    }
    if (keystroke.modifiers.contains(Modifiers::option)) {
        held.append(KEY_LEFTALT);
    }
    if (keystroke.modifiers.contains(Modifiers::shift)) {
        held.append(KEY_LEFTSHIFT);
    }
    if (keystroke.modifiers.contains(Modifiers::command)) {
        held.append(KEY_LEFTMETA);
    }
    for (quint32 key : held) {
        events.append({key, true});
    }
    events.append({keystroke.key, true});
    events.append({keystroke.key, false});
    for (auto it = held.rbegin(); it != held.rend(); ++it) {
        events.append({*it, false});
    }
    return events;
}

void FakeInputSynthesizer::press(const KeystrokeChoice::Keystroke& keystroke) {
    for (const KeyEvent& e : keyEvents(keystroke)) {
        org_kde_kwin_fake_input_keyboard_key(m_fakeInput, e.key,
                                             e.down ? WL_KEYBOARD_KEY_STATE_PRESSED
                                                    : WL_KEYBOARD_KEY_STATE_RELEASED);
    }
    m_connection.flush();
}
