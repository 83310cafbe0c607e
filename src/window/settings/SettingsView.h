#pragma once

#include "hotkeys/HotkeyConfig.h"
#include "window/WindowContext.h"

#include <QScrollArea>

class CapsuleSegmented;
class QLabel;
class QVBoxLayout;
class ShortcutRecorderRow;
class ShortcutsAvailabilityCard;
class StyledButton;
class ThemedSwitch;

// The Settings tab: whether the shortcuts can work in this session, the appearance and
// palette, the three shortcuts (recorded by pressing them) with their conflicts, and
// "Launch at login".
class SettingsView : public QScrollArea {
    Q_OBJECT
public:
    explicit SettingsView(WindowContext context, QWidget* parent = nullptr);

    ShortcutsAvailabilityCard* availabilityCard() const { return m_access; }
    QLabel* availability() const;
    StyledButton* keyboardSettingsButton() const;
    // Why the keyboard settings cannot be opened here; null where they can.
    QLabel* keyboardSettingsReason() const;
    StyledButton* recheckButton() const;
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

    WindowContext m_context;
    HotkeyConfig m_config;
    ShortcutsAvailabilityCard* m_access;
    CapsuleSegmented* m_appearance;
    CapsuleSegmented* m_palette;
    ShortcutRecorderRow* m_copyRow;
    ShortcutRecorderRow* m_pasteRow;
    ShortcutRecorderRow* m_summonRow;
    QVBoxLayout* m_conflicts;
    QList<QWidget*> m_conflictLines;
    ThemedSwitch* m_login;
};
