#include "KeyRecorder.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace {
bool isModifierKey(int key) {
    switch (key) {
    case Qt::Key_Control:
    case Qt::Key_Shift:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
        return true;
    default:
        return false;
    }
}

Modifiers modifiersOf(Qt::KeyboardModifiers m) {
    qint64 bits = 0;
    if (m & Qt::ControlModifier) {
        bits |= Modifiers::control;
    }
    if (m & Qt::AltModifier) {
        bits |= Modifiers::option;
    }
    if (m & Qt::ShiftModifier) {
        bits |= Modifiers::shift;
    }
    if (m & Qt::MetaModifier) { // Super on X11
        bits |= Modifiers::command;
    }
    return Modifiers(bits);
}
} // namespace

KeyRecorder::KeyRecorder(KeyCodeMapping keyCode, QObject* parent)
    : QObject(parent), m_keyCode(std::move(keyCode)) {}

KeyRecorder::~KeyRecorder() {
    stop();
}

void KeyRecorder::start() {
    if (m_recording || !QCoreApplication::instance()) {
        return;
    }
    m_recording = true;
    QCoreApplication::instance()->installEventFilter(this);
    Q_EMIT recordingChanged(true);
}

void KeyRecorder::stop() {
    if (!m_recording) {
        return;
    }
    m_recording = false;
    if (QCoreApplication::instance()) {
        QCoreApplication::instance()->removeEventFilter(this);
    }
    Q_EMIT recordingChanged(false);
}

bool KeyRecorder::eventFilter(QObject*, QEvent* event) {
    if (!m_recording) {
        return false;
    }
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept(); // the key is ours: no window shortcut fires
        return true;
    }
    if (event->type() == QEvent::KeyRelease) {
        return true;
    }
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (isModifierKey(key->key())) {
        return true; // Control alone is no chord: wait for the key
    }
    if (key->key() == Qt::Key_Escape) {
        stop();
        return true;
    }
    const auto code = m_keyCode(key->nativeScanCode());
    if (!code) {
        return true; // a key we cannot name: keep waiting
    }
    const KeyChord chord{*code, modifiersOf(key->modifiers())};
    stop();
    onCapture(chord);
    return true;
}
