#include "XResource.h"

#include <X11/Xlib.h>

void XFreeDeleter::operator()(void* p) const {
    if (p) {
        XFree(p);
    }
}
