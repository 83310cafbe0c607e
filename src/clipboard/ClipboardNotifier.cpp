#include "ClipboardNotifier.h"

#include <vector>

namespace {
// Runs each listener present now that is still present when its turn comes.
template <typename Map, typename... Args> void tell(Map& listeners, Args... args) {
    std::vector<typename Map::key_type> ids;
    ids.reserve(listeners.size());
    for (const auto& entry : listeners) {
        ids.push_back(entry.first);
    }
    for (const auto id : ids) {
        const auto it = listeners.find(id);
        if (it != listeners.end()) {
            auto listener = it->second; // it may remove itself while it runs
            listener(args...);
        }
    }
}
} // namespace

ClipboardEvents::ListenerId ClipboardNotifier::onChange(std::function<void()> listener) {
    const ListenerId id = m_next++;
    m_change.emplace(id, std::move(listener));
    return id;
}

ClipboardEvents::ListenerId ClipboardNotifier::onServed(std::function<void(Served)> listener) {
    const ListenerId id = m_next++;
    m_served.emplace(id, std::move(listener));
    return id;
}

void ClipboardNotifier::removeListener(ListenerId id) {
    m_change.erase(id);
    m_served.erase(id);
}

void ClipboardNotifier::notifyChanged() {
    tell(m_change);
}

void ClipboardNotifier::notifyServed(Served served) {
    tell(m_served, served);
}
