#include "PlasmaForegroundApp.h"

#include "WaylandConnection.h"
#include "core/Log.h"

#include <cstring>
#include <plasma-window-management-client-protocol.h>
#include <wayland-client.h>

namespace {

// The compositor's version 16 numbers windows by uuid from 13 on.
constexpr quint32 maxVersion = 16;

bool is(const wl_message* message, const char* name) {
    return std::strcmp(message->name, name) == 0;
}

} // namespace

std::unique_ptr<PlasmaForegroundApp> PlasmaForegroundApp::create(WaylandConnection& connection) {
    auto* manager = static_cast<org_kde_plasma_window_management*>(
        connection.bind(&org_kde_plasma_window_management_interface, 1, maxVersion));
    if (!manager) {
        return nullptr;
    }
    std::unique_ptr<PlasmaForegroundApp> app(
        new PlasmaForegroundApp(connection.display(), manager));
    // The windows open now, then their states.
    connection.roundtrip();
    connection.roundtrip();
    return app;
}

PlasmaForegroundApp::PlasmaForegroundApp(wl_display* display,
                                         org_kde_plasma_window_management* manager)
    : m_display(display), m_manager(manager) {
    wl_proxy_add_dispatcher(reinterpret_cast<wl_proxy*>(m_manager), &onManagerEvent, nullptr, this);
}

PlasmaForegroundApp::~PlasmaForegroundApp() {
    for (const Window& w : m_windows) {
        org_kde_plasma_window_destroy(w.proxy);
    }
    org_kde_plasma_window_management_destroy(m_manager);
}

QString PlasmaForegroundApp::appId() const {
    const Window* focused = nullptr;
    for (const Window& w : m_windows) {
        if (w.active && (!focused || w.activatedAt > focused->activatedAt)) {
            focused = &w;
        }
    }
    return focused ? focused->appId : QString();
}

QStringList PlasmaForegroundApp::windowAppIds() const {
    QStringList ids;
    for (const Window& w : m_windows) {
        ids << w.appId;
    }
    return ids;
}

PlasmaForegroundApp::Window* PlasmaForegroundApp::find(org_kde_plasma_window* proxy) {
    for (Window& w : m_windows) {
        if (w.proxy == proxy) {
            return &w;
        }
    }
    return nullptr;
}

void PlasmaForegroundApp::addWindow(quint32 id, const char* uuid) {
    for (const Window& w : m_windows) {
        if (w.id == id) {
            return; // announced twice, by number and by uuid
        }
    }
    Window w;
    w.id = id;
    w.proxy = uuid ? org_kde_plasma_window_management_get_window_by_uuid(m_manager, uuid)
                   : org_kde_plasma_window_management_get_window(m_manager, id);
    wl_proxy_add_dispatcher(reinterpret_cast<wl_proxy*>(w.proxy), &onWindowEvent, nullptr, this);
    m_windows.append(w);
    // Asked from inside a dispatch: sent now, not only when the event loop next waits.
    wl_display_flush(m_display);
}

int PlasmaForegroundApp::onManagerEvent(const void*, void* target, uint32_t,
                                        const wl_message* message, wl_argument* args) {
    auto* self =
        static_cast<PlasmaForegroundApp*>(wl_proxy_get_user_data(static_cast<wl_proxy*>(target)));
    if (is(message, "window_with_uuid")) {
        self->addWindow(args[0].u, args[1].s);
    } else if (is(message, "window") && wl_proxy_get_version(static_cast<wl_proxy*>(target)) < 13) {
        self->addWindow(args[0].u, nullptr);
    }
    return 0;
}

int PlasmaForegroundApp::onWindowEvent(const void*, void* target, uint32_t,
                                       const wl_message* message, wl_argument* args) {
    auto* proxy = static_cast<org_kde_plasma_window*>(target);
    auto* self =
        static_cast<PlasmaForegroundApp*>(wl_proxy_get_user_data(static_cast<wl_proxy*>(target)));
    Window* w = self->find(proxy);
    if (!w) {
        return 0;
    }
    if (is(message, "app_id_changed")) {
        w->appId = QString::fromUtf8(args[0].s);
    } else if (is(message, "state_changed")) {
        const bool active = args[0].u & ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_ACTIVE;
        if (active && !w->active) {
            w->activatedAt = ++self->m_activations;
            qCDebug(Log::hotkeys).noquote() << "focused window:" << w->appId;
        }
        w->active = active;
    } else if (is(message, "unmapped")) {
        self->m_windows.removeIf([proxy](const Window& x) { return x.proxy == proxy; });
        org_kde_plasma_window_destroy(proxy);
    }
    return 0;
}
