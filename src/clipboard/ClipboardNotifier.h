#pragma once

#include "ClipboardEvents.h"

#include <map>

// The listeners of one clipboard's events, told by the pasteboard that learns of them. A
// listener may add or remove listeners (itself included) while it runs.
class ClipboardNotifier final : public ClipboardEvents {
public:
    ListenerId onChange(std::function<void()> listener) override;
    ListenerId onServed(std::function<void(Served)> listener) override;
    void removeListener(ListenerId id) override;

    void notifyChanged();
    void notifyServed(Served served);
    bool hasListeners() const { return !m_change.empty() || !m_served.empty(); }

private:
    ListenerId m_next = 1;
    std::map<ListenerId, std::function<void()>> m_change;
    std::map<ListenerId, std::function<void(Served)>> m_served;
};
