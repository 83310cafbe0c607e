#pragma once

#include "hotkeys/KeyChord.h"

#include <QObject>
#include <functional>
#include <optional>

// Records one chord from the keyboard inside the program's windows. While recording, every key
// press is taken (none reaches a view or a window shortcut): a press of a modifier alone waits
// for the key, Escape cancels, and any other key becomes the chord, named by its physical key
// (the native key code through `keyCode`, so the chord means the same key in every layout)
// with Control, Alt, Shift and Super as held (lock keys ignored). Recording then stops.
class KeyRecorder : public QObject {
    Q_OBJECT
public:
    // Maps a native key code (X11: evdev code + 8) to the stored key code; absent: unknown key.
    using KeyCodeMapping = std::function<std::optional<quint16>(quint32 nativeKeyCode)>;

    explicit KeyRecorder(KeyCodeMapping keyCode, QObject* parent = nullptr);
    ~KeyRecorder() override;

    bool isRecording() const { return m_recording; }
    void start();
    void stop();

    std::function<void(const KeyChord&)> onCapture = [](const KeyChord&) {};

Q_SIGNALS:
    void recordingChanged(bool recording);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    KeyCodeMapping m_keyCode;
    bool m_recording = false;
};
