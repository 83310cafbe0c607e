#pragma once

#include "hotkeys/GnomeShortcuts.h"
#include "hotkeys/HotkeyConfig.h"
#include "hotkeys/SessionReport.h"
#include "ui/Card.h"

#include <functional>
#include <optional>

class DesktopServices;
class QLabel;
class QPlainTextEdit;
class QVBoxLayout;
class StyledButton;
class Theme;

// Whether the chords work in this session and where they come from: the X11 session, the
// desktop's shortcut settings (with the keys it assigned), the compositor's key bindings (with
// the lines to add and a "Copy" button), GNOME's custom keyboard shortcuts (with buttons that
// add and remove Stashwick's, and whether they are there), or off with the reason. "Re-check"
// asks again. Under GNOME it also names GNOME's own shortcuts that lie on the chords, with a
// button that takes the chords off them.
class ShortcutsAvailabilityCard : public Card {
    Q_OBJECT
public:
    struct Source {
        std::function<SessionReport()> session;
        std::function<bool()> available;
        std::function<void()> recheck;
        // The desktop's keyboard settings, GNOME's shortcuts and the compositor's bindings.
        DesktopServices* desktop = nullptr;
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
    // "Add to GNOME keyboard shortcuts" and "Remove GNOME keyboard shortcuts", shown where the
    // chords come from GNOME's custom keyboard shortcuts.
    StyledButton* gnomeAddButton() const { return m_gnomeAdd; }
    StyledButton* gnomeRemoveButton() const { return m_gnomeRemove; }
    // GNOME's own shortcuts on the chords, and "Give these keys to Stashwick"; shown where
    // there are any.
    QLabel* clash() const { return m_clash; }
    StyledButton* gnomeFreeButton() const { return m_gnomeFree; }

private:
    GnomeShortcuts* gnome() const;
    bool gnomeChords() const;
    // Refreshes the card once GNOME's answer is in (unless the card is gone by then).
    GnomeShortcuts::Done showWhenDone();
    void showKeyboardReason(const QString& reason);

    const Theme& m_theme;
    Source m_source;
    HotkeyConfig m_config;
    // The configuration last shown, to tell a recorded chord from a repaint.
    std::optional<HotkeyConfig> m_shownConfig;
    QLabel* m_symbol;
    QLabel* m_availability;
    QLabel* m_explanation;
    QPlainTextEdit* m_lines;
    StyledButton* m_copy;
    StyledButton* m_keyboard;
    QLabel* m_keyboardReason = nullptr;
    StyledButton* m_recheck;
    StyledButton* m_gnomeAdd;
    StyledButton* m_gnomeRemove;
    QLabel* m_clash;
    StyledButton* m_gnomeFree;
};
