#pragma once

#include "app/SessionReport.h"
#include "hotkeys/HotkeyConfig.h"
#include "ui/Card.h"

#include <functional>

class QLabel;
class QPlainTextEdit;
class QVBoxLayout;
class StyledButton;
class Theme;

// Whether the chords work in this session and where they come from: the X11 session, the
// desktop's shortcut settings (with the keys it assigned), the compositor's key bindings (with
// the lines to add and a "Copy" button), or off with the reason. "Re-check" asks again.
class ShortcutsAvailabilityCard : public Card {
    Q_OBJECT
public:
    struct Source {
        std::function<SessionReport()> session;
        std::function<bool()> available;
        std::function<void()> recheck;
        // The stashwick command the bindings run.
        QString command;
    };

    ShortcutsAvailabilityCard(const Theme& theme, Source source, QWidget* parent = nullptr);

    // Shows the session as it is now, with the bindings of `config`.
    void refresh(const HotkeyConfig& config);

    QLabel* availability() const { return m_availability; }
    QLabel* explanation() const { return m_explanation; }
    // The bindings to add or the keys the desktop assigned; hidden otherwise.
    QPlainTextEdit* lines() const { return m_lines; }
    StyledButton* copyButton() const { return m_copy; }
    StyledButton* keyboardSettingsButton() const { return m_keyboard; }
    QLabel* keyboardSettingsReason() const { return m_keyboardReason; }
    StyledButton* recheckButton() const { return m_recheck; }

private:
    const Theme& m_theme;
    Source m_source;
    HotkeyConfig m_config;
    QLabel* m_symbol;
    QLabel* m_availability;
    QLabel* m_explanation;
    QPlainTextEdit* m_lines;
    StyledButton* m_copy;
    StyledButton* m_keyboard;
    QLabel* m_keyboardReason = nullptr;
    StyledButton* m_recheck;
};
