#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

class QSocketNotifier;
struct wl_display;
struct wl_registry;
struct wl_seat;
struct wl_interface;

// The program's own connection to the Wayland compositor, apart from Qt's (the windows run on
// XWayland). It lists the compositor's globals once at open, binds the first seat, and
// dispatches events on the main thread as they arrive; requests made outside a dispatch are
// sent before the event loop next waits.
class WaylandConnection final : public QObject {
    Q_OBJECT
public:
    struct Global {
        quint32 name = 0;
        QByteArray interface;
        quint32 version = 0;
    };

    // Connects to WAYLAND_DISPLAY; absent (with the reason in `error`) when no compositor
    // answers there.
    static std::unique_ptr<WaylandConnection> open(QString* error = nullptr);
    ~WaylandConnection() override;
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    wl_display* display() const { return m_display; }
    // The first seat the compositor offers; null when it offers none.
    wl_seat* seat() const { return m_seat; }
    const QList<Global>& globals() const { return m_globals; }
    std::optional<Global> global(const QByteArray& interface) const;
    // Binds the global of `interface` at the lower of its offered version and `maxVersion`
    // (returned in `version`); null when it is not offered or offered below `minVersion`.
    void* bind(const wl_interface* interface, quint32 minVersion, quint32 maxVersion,
               quint32* version = nullptr) const;

    // Sends what is queued and waits until the compositor has handled it and every event it
    // sent back has been dispatched. False when the connection is gone.
    bool roundtrip();
    void flush();
    bool isLost() const { return m_lost; }

Q_SIGNALS:
    // The compositor closed the connection (it quit or found a protocol error).
    void lost();

private:
    explicit WaylandConnection(wl_display* display);
    void readEvents();
    void dispatchPending();
    void markLost();

    static void onGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
                         uint32_t version);
    static void onGlobalRemove(void* data, wl_registry* registry, uint32_t name);

    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    wl_seat* m_seat = nullptr;
    QList<Global> m_globals;
    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_lost = false;
};
