// A slow CLIPBOARD owner for the transfer tests: offers `bytes` bytes (byte i is i % 251) as
// application/x-stashwick-slow, always by an incremental (INCR) transfer of `chunk`-byte
// chunks, each sent `delayMs` after the previous one was taken. With `stopAfter` > 0 it goes
// silent after that many chunks. It prints "owning" once it owns the selection.
// Usage: incr_owner bytes chunk delayMs stopAfter
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>
#include <xcb/xcb.h>

namespace {
struct Free {
    void operator()(void* p) const { std::free(p); }
};

xcb_atom_t intern(xcb_connection_t* c, const char* name) {
    std::unique_ptr<xcb_intern_atom_reply_t, Free> r(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
    return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
}

void notify(xcb_connection_t* c, const xcb_selection_request_event_t& req, xcb_atom_t property) {
    xcb_selection_notify_event_t n{};
    n.response_type = XCB_SELECTION_NOTIFY;
    n.time = req.time;
    n.requestor = req.requestor;
    n.selection = req.selection;
    n.target = req.target;
    n.property = property;
    xcb_send_event(c, 0, req.requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<char*>(&n));
    xcb_flush(c);
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        return 2;
    }
    const std::size_t size = std::stoul(argv[1]);
    const std::size_t chunk = std::stoul(argv[2]);
    const auto delay = std::chrono::milliseconds(std::stol(argv[3]));
    const int stopAfter = std::stoi(argv[4]);
    std::vector<char> content(size);
    for (std::size_t i = 0; i < size; ++i) {
        content[i] = static_cast<char>(i % 251);
    }

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        return 1;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t clipboard = intern(c, "CLIPBOARD");
    const xcb_atom_t targets = intern(c, "TARGETS");
    const xcb_atom_t incr = intern(c, "INCR");
    const xcb_atom_t type = intern(c, "application/x-stashwick-slow");
    xcb_set_selection_owner(c, window, clipboard, XCB_CURRENT_TIME);
    xcb_flush(c);
    std::printf("owning\n");
    std::fflush(stdout);

    // The transfer under way: requestor window, property, bytes sent, chunks sent.
    xcb_window_t to = XCB_WINDOW_NONE;
    xcb_atom_t property = XCB_ATOM_NONE;
    std::size_t sent = 0;
    int chunks = 0;
    bool done = false;
    while (std::unique_ptr<xcb_generic_event_t, Free> e{xcb_wait_for_event(c)}) {
        const int kind = e->response_type & 0x7F;
        if (kind == XCB_SELECTION_REQUEST) {
            const auto& req = *reinterpret_cast<xcb_selection_request_event_t*>(e.get());
            if (req.target == targets) {
                const xcb_atom_t list[] = {targets, type};
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, req.requestor, req.property,
                                    XCB_ATOM_ATOM, 32, 2, list);
                notify(c, req, req.property);
            } else if (req.target == type && to == XCB_WINDOW_NONE) {
                to = req.requestor;
                property = req.property;
                sent = 0;
                chunks = 0;
                done = false;
                const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
                xcb_change_window_attributes(c, to, XCB_CW_EVENT_MASK, &mask);
                const auto hint = static_cast<uint32_t>(size);
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, to, property, incr, 32, 1, &hint);
                notify(c, req, property);
            } else {
                notify(c, req, XCB_ATOM_NONE);
            }
        } else if (kind == XCB_PROPERTY_NOTIFY) {
            const auto& pn = *reinterpret_cast<xcb_property_notify_event_t*>(e.get());
            if (pn.window != to || pn.atom != property || pn.state != XCB_PROPERTY_DELETE) {
                continue;
            }
            if (done) {
                to = XCB_WINDOW_NONE;
                continue;
            }
            if (stopAfter > 0 && chunks == stopAfter) {
                continue; // silent from here on
            }
            std::this_thread::sleep_for(delay);
            const std::size_t n = std::min(chunk, size - sent);
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, to, property, type, 8,
                                static_cast<uint32_t>(n), content.data() + sent);
            xcb_flush(c);
            sent += n;
            ++chunks;
            done = n == 0;
        } else if (kind == XCB_SELECTION_CLEAR) {
            break;
        }
    }
    xcb_disconnect(c);
    return 0;
}
