#pragma once

#include <QObject>

class WaylandConnection;
struct org_kde_kwin_keystate;

// Which modifier keys are down on KDE Plasma, from KWin's org_kde_kwin_keystate (version 5
// reports Alt, Control, Shift, Meta and AltGr as pressed; earlier versions only the locks).
// KWin sends the states once when asked and again whenever they change.
class KdeKeyState final : public QObject {
    Q_OBJECT
public:
    // Absent when the compositor offers no keystate of version 5.
    static std::unique_ptr<KdeKeyState> create(WaylandConnection& connection);
    KdeKeyState(WaylandConnection& connection, org_kde_kwin_keystate* keystate);
    ~KdeKeyState() override;
    KdeKeyState(const KdeKeyState&) = delete;
    KdeKeyState& operator=(const KdeKeyState&) = delete;

    // Whether any of Alt, Control, Shift, Meta and AltGr is held down.
    bool modifiersDown() const { return m_down != 0; }
    // Applies one stateChanged event (the protocol's key and state numbers).
    void apply(quint32 key, quint32 state);

Q_SIGNALS:
    // A modifier went down or came up.
    void changed();

private:
    org_kde_kwin_keystate* m_keystate;
    quint32 m_down = 0; // one bit per modifier key
};
