#pragma once

#include "ForegroundApp.h"

#include <QList>
#include <QString>
#include <memory>

class QString;
class WaylandConnection;
struct wl_array;
struct zwlr_foreign_toplevel_manager_v1;
struct zwlr_foreign_toplevel_handle_v1;

// The focused window's app id on wlroots compositors, from the foreign-toplevel list
// (zwlr_foreign_toplevel_manager_v1): the window whose state says "activated".
class ToplevelForegroundApp final : public ForegroundApp {
public:
    // Absent when the compositor offers no foreign-toplevel list.
    static std::unique_ptr<ToplevelForegroundApp> create(WaylandConnection& connection);
    ~ToplevelForegroundApp() override;
    ToplevelForegroundApp(const ToplevelForegroundApp&) = delete;
    ToplevelForegroundApp& operator=(const ToplevelForegroundApp&) = delete;

    QString appId() const override;

    // Whether the generated glue numbers a window's events as compositors send them (title,
    // app_id, output_enter, output_leave, state, done, closed): glue that does not would
    // misread them, and the first "done" would end the whole connection.
    static bool glueMatchesProtocol();

private:
    // One window; what arrives before its "done" applies at "done".
    struct Toplevel {
        zwlr_foreign_toplevel_handle_v1* handle = nullptr;
        QString appId;
        bool activated = false;
        QString pendingAppId;
        bool pendingActivated = false;
        quint64 activatedAt = 0; // order of activation, for two windows both "activated"
    };

    explicit ToplevelForegroundApp(zwlr_foreign_toplevel_manager_v1* manager);
    Toplevel* find(zwlr_foreign_toplevel_handle_v1* handle);

    static void onToplevel(void* data, zwlr_foreign_toplevel_manager_v1* manager,
                           zwlr_foreign_toplevel_handle_v1* handle);
    static void onFinished(void* data, zwlr_foreign_toplevel_manager_v1* manager);
    static void onAppId(void* data, zwlr_foreign_toplevel_handle_v1* handle, const char* appId);
    static void onState(void* data, zwlr_foreign_toplevel_handle_v1* handle, wl_array* state);
    static void onDone(void* data, zwlr_foreign_toplevel_handle_v1* handle);
    static void onClosed(void* data, zwlr_foreign_toplevel_handle_v1* handle);

    zwlr_foreign_toplevel_manager_v1* m_manager = nullptr;
    QList<Toplevel> m_toplevels;
    quint64 m_activations = 0;
};
