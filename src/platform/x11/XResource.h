#pragma once

#include <cstdlib>
#include <memory>

// Owners for the memory X libraries hand out: xcb replies (free) and Xlib data (XFree).
struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using XcbReply = std::unique_ptr<T, FreeDeleter>;

struct XFreeDeleter {
    void operator()(void* p) const;
};
template <typename T> using XData = std::unique_ptr<T, XFreeDeleter>;
