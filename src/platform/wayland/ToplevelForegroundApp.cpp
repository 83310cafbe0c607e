#include "ToplevelForegroundApp.h"

#include "WaylandConnection.h"
#include "core/Log.h"

#include <cstring>
#include <wayland-client.h>
#include <wlr-foreign-toplevel-management-unstable-v1-client-protocol.h>

namespace {

void ignoreTitle(void*, zwlr_foreign_toplevel_handle_v1*, const char*) {}
void ignoreOutput(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}

} // namespace

bool ToplevelForegroundApp::glueMatchesProtocol() {
    static const char* const events[] = {"title", "app_id", "output_enter", "output_leave",
                                         "state", "done",   "closed"};
    const wl_interface& handle = zwlr_foreign_toplevel_handle_v1_interface;
    if (handle.event_count < 7) {
        return false;
    }
    for (int i = 0; i < 7; ++i) {
        if (std::strcmp(handle.events[i].name, events[i]) != 0) {
            return false;
        }
    }
    return true;
}

std::unique_ptr<ToplevelForegroundApp>
ToplevelForegroundApp::create(WaylandConnection& connection) {
    if (!glueMatchesProtocol()) {
        qCWarning(Log::hotkeys) << "the foreign-toplevel protocol glue does not match the "
                                   "protocol; the focused window stays unknown";
        return nullptr;
    }
    auto* manager = static_cast<zwlr_foreign_toplevel_manager_v1*>(
        connection.bind(&zwlr_foreign_toplevel_manager_v1_interface, 1, 2));
    if (!manager) {
        return nullptr;
    }
    std::unique_ptr<ToplevelForegroundApp> app(new ToplevelForegroundApp(manager));
    // The windows open now arrive at once.
    connection.roundtrip();
    return app;
}

ToplevelForegroundApp::ToplevelForegroundApp(zwlr_foreign_toplevel_manager_v1* manager)
    : m_manager(manager) {
    static const zwlr_foreign_toplevel_manager_v1_listener listener = {
        .toplevel = &onToplevel,
        .finished = &onFinished,
    };
    zwlr_foreign_toplevel_manager_v1_add_listener(m_manager, &listener, this);
}

ToplevelForegroundApp::~ToplevelForegroundApp() {
    for (const Toplevel& t : m_toplevels) {
        zwlr_foreign_toplevel_handle_v1_destroy(t.handle);
    }
    if (m_manager) {
        zwlr_foreign_toplevel_manager_v1_stop(m_manager);
        zwlr_foreign_toplevel_manager_v1_destroy(m_manager);
    }
}

QString ToplevelForegroundApp::appId() const {
    const Toplevel* focused = nullptr;
    for (const Toplevel& t : m_toplevels) {
        if (t.activated && (!focused || t.activatedAt > focused->activatedAt)) {
            focused = &t;
        }
    }
    return focused ? focused->appId : QString();
}

ToplevelForegroundApp::Toplevel*
ToplevelForegroundApp::find(zwlr_foreign_toplevel_handle_v1* handle) {
    for (Toplevel& t : m_toplevels) {
        if (t.handle == handle) {
            return &t;
        }
    }
    return nullptr;
}

void ToplevelForegroundApp::onToplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                                       zwlr_foreign_toplevel_handle_v1* handle) {
    static const zwlr_foreign_toplevel_handle_v1_listener listener = [] {
        zwlr_foreign_toplevel_handle_v1_listener l{};
        l.title = &ignoreTitle;
        l.app_id = &onAppId;
        l.output_enter = &ignoreOutput;
        l.output_leave = &ignoreOutput;
        l.state = &onState;
        l.done = &onDone;
        l.closed = &onClosed;
        return l;
    }();
    auto* self = static_cast<ToplevelForegroundApp*>(data);
    Toplevel t;
    t.handle = handle;
    self->m_toplevels.append(t);
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &listener, self);
}

void ToplevelForegroundApp::onFinished(void* data, zwlr_foreign_toplevel_manager_v1*) {
    auto* self = static_cast<ToplevelForegroundApp*>(data);
    zwlr_foreign_toplevel_manager_v1_destroy(self->m_manager);
    self->m_manager = nullptr;
}

void ToplevelForegroundApp::onAppId(void* data, zwlr_foreign_toplevel_handle_v1* handle,
                                    const char* appId) {
    if (Toplevel* t = static_cast<ToplevelForegroundApp*>(data)->find(handle)) {
        t->pendingAppId = QString::fromUtf8(appId);
    }
}

void ToplevelForegroundApp::onState(void* data, zwlr_foreign_toplevel_handle_v1* handle,
                                    wl_array* state) {
    Toplevel* t = static_cast<ToplevelForegroundApp*>(data)->find(handle);
    if (!t) {
        return;
    }
    t->pendingActivated = false;
    const size_t count = state->size / sizeof(uint32_t);
    for (size_t i = 0; i < count; ++i) {
        uint32_t value = 0;
        std::memcpy(&value, static_cast<const char*>(state->data) + i * sizeof value, sizeof value);
        if (value == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED) {
            t->pendingActivated = true;
        }
    }
}

void ToplevelForegroundApp::onDone(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
    auto* self = static_cast<ToplevelForegroundApp*>(data);
    Toplevel* t = self->find(handle);
    if (!t) {
        return;
    }
    if (t->pendingActivated && !t->activated) {
        t->activatedAt = ++self->m_activations;
    }
    t->activated = t->pendingActivated;
    t->appId = t->pendingAppId;
    if (t->activated) {
        qCDebug(Log::hotkeys).noquote() << "focused window:" << t->appId;
    }
}

void ToplevelForegroundApp::onClosed(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
    auto* self = static_cast<ToplevelForegroundApp*>(data);
    self->m_toplevels.removeIf([handle](const Toplevel& t) { return t.handle == handle; });
    zwlr_foreign_toplevel_handle_v1_destroy(handle);
}
