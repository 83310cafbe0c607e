#pragma once

#include <cstdint>
#include <functional>

// What the session reports of a clipboard as it happens, where it reports anything: every
// replacement of its content (by this program or any other), and every read of content this
// program put there. Listeners run on the main thread, from the event loop.
class ClipboardEvents {
public:
    using ListenerId = std::uint64_t;
    // A read of our content by another program: asked for one of its types (not only for the
    // list of them), and that type's transfer over.
    enum class Served { Started, Finished };

    virtual ~ClipboardEvents() = default;

    // Calls `listener` after each replacement of the content; its id, for removeListener().
    virtual ListenerId onChange(std::function<void()> listener) = 0;
    // Calls `listener` for each read of content of ours, as it starts and once it is over.
    virtual ListenerId onServed(std::function<void(Served)> listener) = 0;
    // A listener removed does not run again; an unknown id does nothing.
    virtual void removeListener(ListenerId id) = 0;
};
