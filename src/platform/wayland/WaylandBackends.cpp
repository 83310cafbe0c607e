#include "WaylandBackends.h"

#include "DataControlProtocol.h"

namespace {
const WaylandConnection::Global* find(const QList<WaylandConnection::Global>& globals,
                                      const char* interface) {
    for (const auto& g : globals) {
        if (g.interface == interface) {
            return &g;
        }
    }
    return nullptr;
}
} // namespace

WaylandBackends WaylandBackends::choose(const QList<WaylandConnection::Global>& globals) {
    WaylandBackends b;
    if (find(globals, "ext_data_control_manager_v1")) {
        b.clipboard = Clipboard::ExtDataControl;
        b.primarySelection = true;
    } else if (const auto* wlr = find(globals, "zwlr_data_control_manager_v1")) {
        b.clipboard = Clipboard::WlrDataControl;
        b.primarySelection = wlr->version >= 2;
    }
    if (find(globals, "zwp_virtual_keyboard_manager_v1")) {
        b.keystrokes = Keystrokes::VirtualKeyboard;
    } else if (const auto* fake = find(globals, "org_kde_kwin_fake_input");
               fake && fake->version >= 4) {
        b.keystrokes = Keystrokes::KdeFakeInput;
    }
    if (find(globals, "zwlr_foreign_toplevel_manager_v1")) {
        b.focusedApp = FocusedApp::WlrForeignToplevel;
    } else if (find(globals, "org_kde_plasma_window_management")) {
        b.focusedApp = FocusedApp::KdePlasmaWindows;
    }
    return b;
}

QString WaylandBackends::clipboardName() const {
    const DataControlProtocol* protocol = DataControlProtocol::of(clipboard);
    return protocol ? protocol->name : QStringLiteral("x11");
}

QString WaylandBackends::keystrokesName() const {
    switch (keystrokes) {
    case Keystrokes::VirtualKeyboard:
        return QStringLiteral("virtual-keyboard");
    case Keystrokes::KdeFakeInput:
        return QStringLiteral("kde-fake-input");
    case Keystrokes::None:
        break;
    }
    return QStringLiteral("none");
}
