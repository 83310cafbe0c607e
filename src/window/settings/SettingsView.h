#pragma once

#include "hotkeys/HotkeyConfig.h"
#include "window/WindowContext.h"

#include <QScrollArea>

class CapsuleSegmented;
class QLabel;
class QVBoxLayout;
class ShortcutRecorderRow;
class StyledButton;
class ThemedSwitch;

// The Settings tab: whether the shortcuts can work in this session, the appearance and
// palette, the three shortcuts (recorded by pressing them) with their conflicts, and
// "Launch at login".
class SettingsView : public QScrollArea {
    Q_OBJECT
public:
    explicit SettingsView(WindowContext context, QWidget* parent = nullptr);

    QLabel* availability() const { return m_availability; }
    StyledButton* keyboardSettingsButton() const { return m_keyboard; }
    // Why the keyboard settings cannot be opened here; null where they can.
    QLabel* keyboardSettingsReason() const { return m_keyboardReason; }
    StyledButton* recheckButton() const { return m_recheck; }
    CapsuleSegmented* appearancePicker() const { return m_appearance; }
    CapsuleSegmented* palettePicker() const { return m_palette; }
    ShortcutRecorderRow* copyRow() const { return m_copyRow; }
    ShortcutRecorderRow* pasteRow() const { return m_pasteRow; }
    ShortcutRecorderRow* summonRow() const { return m_summonRow; }
    QStringList conflictLines() const;
    ThemedSwitch* launchAtLogin() const { return m_login; }
    void resetShortcuts();

private:
    void apply(const HotkeyConfig& config);
    void showConfig();
    void updateAvailability();

    WindowContext m_context;
    HotkeyConfig m_config;
    QLabel* m_availabilitySymbol;
    QLabel* m_availability;
    StyledButton* m_keyboard;
    QLabel* m_keyboardReason = nullptr;
    StyledButton* m_recheck;
    CapsuleSegmented* m_appearance;
    CapsuleSegmented* m_palette;
    ShortcutRecorderRow* m_copyRow;
    ShortcutRecorderRow* m_pasteRow;
    ShortcutRecorderRow* m_summonRow;
    QVBoxLayout* m_conflicts;
    QList<QWidget*> m_conflictLines;
    ThemedSwitch* m_login;
};
