#pragma once

#include "ForegroundApp.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

class WaylandConnection;
struct org_kde_plasma_window_management;
struct wl_display;
struct org_kde_plasma_window;
struct wl_message;
union wl_argument;

// The focused window's app id on KDE Plasma, from KWin's window list
// (org_kde_plasma_window_management): the window whose state has the "active" flag.
class PlasmaForegroundApp final : public ForegroundApp {
public:
    // Absent when the compositor offers no Plasma window list.
    static std::unique_ptr<PlasmaForegroundApp> create(WaylandConnection& connection);
    ~PlasmaForegroundApp() override;
    PlasmaForegroundApp(const PlasmaForegroundApp&) = delete;
    PlasmaForegroundApp& operator=(const PlasmaForegroundApp&) = delete;

    QString appId() const override;
    // The app ids of the windows mapped now, in the order they appeared.
    QStringList windowAppIds() const;

private:
    struct Window {
        org_kde_plasma_window* proxy = nullptr;
        quint32 id = 0;
        QString appId;
        bool active = false;
        quint64 activatedAt = 0; // order of activation, for two windows both "active"
    };

    PlasmaForegroundApp(wl_display* display, org_kde_plasma_window_management* manager);
    void addWindow(quint32 id, const char* uuid);
    Window* find(org_kde_plasma_window* proxy);

    // Events are told apart by name, so only the few that matter need handling.
    static int onManagerEvent(const void* implementation, void* target, uint32_t opcode,
                              const wl_message* message, wl_argument* args);
    static int onWindowEvent(const void* implementation, void* target, uint32_t opcode,
                             const wl_message* message, wl_argument* args);

    wl_display* m_display = nullptr;
    org_kde_plasma_window_management* m_manager = nullptr;
    QList<Window> m_windows;
    quint64 m_activations = 0;
};
