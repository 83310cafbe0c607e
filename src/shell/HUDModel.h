#pragma once

#include "hotkeys/FeedbackEvent.h"

#include <QByteArray>
#include <QObject>
#include <optional>

// What the HUD shows. Each setter notifies only when the value changes.
class HUDModel : public QObject {
    Q_OBJECT
public:
    FeedbackOutcome outcome() const { return m_outcome; }
    std::optional<int> slot() const { return m_slot; }
    QString preview() const { return m_preview; }
    std::optional<QByteArray> imagePNG() const { return m_imagePNG; }
    bool visible() const { return m_visible; }

    void setOutcome(FeedbackOutcome v);
    void setSlot(std::optional<int> v);
    void setPreview(const QString& v);
    void setImagePNG(const std::optional<QByteArray>& v);
    void setVisible(bool v);

    // The title per outcome: "Copied to slot", "Pasted from slot", "Nothing to copy", "Slot is
    // empty", "Clipboard to slot (no Ctrl+C)", "On the clipboard: press Ctrl+V", "Too large to
    // copy".
    static QString title(FeedbackOutcome outcome);
    static QString symbol(FeedbackOutcome outcome);

Q_SIGNALS:
    void changed();
    void visibleChanged(bool visible);

private:
    FeedbackOutcome m_outcome = FeedbackOutcome::Copied;
    std::optional<int> m_slot;
    QString m_preview;
    std::optional<QByteArray> m_imagePNG;
    bool m_visible = false;
};
