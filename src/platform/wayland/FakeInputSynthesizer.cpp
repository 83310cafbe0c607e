#include "FakeInputSynthesizer.h"

#include "PlasmaForegroundApp.h"
#include "WaylandConnection.h"
#include "core/Log.h"

#include <QString>
#include <QTimer>
#include <fake-input-client-protocol.h>
#include <linux/input-event-codes.h>
#include <utility>
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
                                           std::unique_ptr<ForegroundApp> foreground,
                                           std::unique_ptr<KdeKeyState> keyState)
    : ForegroundKeystrokes(std::move(foreground)), m_connection(connection), m_fakeInput(fakeInput),
      m_keyState(std::move(keyState)) {
    if (m_keyState) {
        QObject::connect(m_keyState.get(), &KdeKeyState::changed, m_keyState.get(), [this] {
            if (!m_keyState->modifiersDown()) {
                runWaiting();
            }
        });
    }
}

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
    std::unique_ptr<KdeKeyState> keyState = KdeKeyState::create(connection);
    if (!keyState) {
        qCInfo(Log::hotkeys) << "KWin does not report held modifiers: the keys are pressed at "
                                "once, releasing the modifiers first";
    }
    return std::make_unique<FakeInputSynthesizer>(connection, fakeInput, std::move(foreground),
                                                  std::move(keyState));
}

void FakeInputSynthesizer::whenModifiersFree(std::function<void()> ready) {
    if (!m_keyState || !m_keyState->modifiersDown()) {
        ready();
        return;
    }
    m_waiting.append(std::move(ready));
    if (m_waiting.size() > 1) {
        return; // the bound runs already
    }
    const quint64 generation = ++m_waitGeneration;
    QTimer::singleShot(modifierWaitMs, m_keyState.get(), [this, generation] {
        if (generation == m_waitGeneration && !m_waiting.isEmpty()) {
            qCWarning(Log::hotkeys).noquote()
                << QStringLiteral("keystrokes: the modifiers are still held after %1 s; the "
                                  "keys are pressed with them")
                       .arg(modifierWaitMs / 1000.0);
            runWaiting();
        }
    });
}

void FakeInputSynthesizer::runWaiting() {
    ++m_waitGeneration;
    const QList<std::function<void()>> waiting = std::exchange(m_waiting, {});
    for (const auto& ready : waiting) {
        ready();
    }
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
