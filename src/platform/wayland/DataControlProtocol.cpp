#include "DataControlProtocol.h"

const DataControlProtocol* DataControlProtocol::of(WaylandBackends::Clipboard clipboard) {
    switch (clipboard) {
    case WaylandBackends::Clipboard::ExtDataControl:
        return &ext();
    case WaylandBackends::Clipboard::WlrDataControl:
        return &wlr();
    case WaylandBackends::Clipboard::X11:
        break;
    }
    return nullptr;
}
