#include "WaylandConnection.h"

#include "core/Log.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <wayland-client.h>

std::unique_ptr<WaylandConnection> WaylandConnection::open(QString* error) {
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_SOCKET")) {
        if (error) {
            *error = QStringLiteral("not a Wayland session");
        }
        return nullptr;
    }
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        if (error) {
            *error = QStringLiteral("cannot connect to the Wayland compositor: %1")
                         .arg(QString::fromLocal8Bit(std::strerror(errno)));
        }
        return nullptr;
    }
    std::unique_ptr<WaylandConnection> c(new WaylandConnection(display));
    static const wl_registry_listener registryListener = {&onGlobal, &onGlobalRemove};
    c->m_registry = wl_display_get_registry(display);
    wl_registry_add_listener(c->m_registry, &registryListener, c.get());
    if (!c->roundtrip()) {
        if (error) {
            *error = QStringLiteral("the Wayland compositor did not answer");
        }
        return nullptr;
    }
    c->m_seat = static_cast<wl_seat*>(c->bind(&wl_seat_interface, 1, 5));
    return c;
}

WaylandConnection::WaylandConnection(wl_display* display) : m_display(display) {
    m_notifier =
        std::make_unique<QSocketNotifier>(wl_display_get_fd(display), QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, this,
                     &WaylandConnection::readEvents);
    // Requests made between dispatches (a key press, a new selection) leave before the loop
    // sleeps.
    if (auto* dispatcher = QAbstractEventDispatcher::instance(QThread::currentThread())) {
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                         &WaylandConnection::flush);
    }
}

WaylandConnection::~WaylandConnection() {
    m_notifier.reset();
    if (m_seat) {
        wl_seat_destroy(m_seat);
    }
    if (m_registry) {
        wl_registry_destroy(m_registry);
    }
    wl_display_flush(m_display);
    wl_display_disconnect(m_display);
}

void WaylandConnection::onGlobal(void* data, wl_registry*, uint32_t name, const char* interface,
                                 uint32_t version) {
    static_cast<WaylandConnection*>(data)->m_globals.append(
        Global{name, QByteArray(interface), version});
}

void WaylandConnection::onGlobalRemove(void* data, wl_registry*, uint32_t name) {
    auto& globals = static_cast<WaylandConnection*>(data)->m_globals;
    globals.removeIf([name](const Global& g) { return g.name == name; });
}

std::optional<WaylandConnection::Global>
WaylandConnection::global(const QByteArray& interface) const {
    for (const Global& g : m_globals) {
        if (g.interface == interface) {
            return g;
        }
    }
    return std::nullopt;
}

void* WaylandConnection::bind(const wl_interface* interface, quint32 minVersion, quint32 maxVersion,
                              quint32* version) const {
    const auto g = global(QByteArray(interface->name));
    if (!g || g->version < minVersion) {
        return nullptr;
    }
    const quint32 v = std::min(g->version, maxVersion);
    if (version) {
        *version = v;
    }
    return wl_registry_bind(m_registry, g->name, interface, v);
}

bool WaylandConnection::roundtrip() {
    if (m_lost) {
        return false;
    }
    if (wl_display_roundtrip(m_display) < 0) {
        markLost();
        return false;
    }
    return true;
}

void WaylandConnection::flush() {
    if (m_lost) {
        return;
    }
    dispatchPending();
    if (wl_display_flush(m_display) < 0 && errno != EAGAIN) {
        markLost();
    }
}

void WaylandConnection::dispatchPending() {
    if (!m_lost && wl_display_dispatch_pending(m_display) < 0) {
        markLost();
    }
}

void WaylandConnection::readEvents() {
    if (m_lost) {
        return;
    }
    while (wl_display_prepare_read(m_display) != 0) {
        if (wl_display_dispatch_pending(m_display) < 0) {
            markLost();
            return;
        }
    }
    wl_display_flush(m_display);
    if (wl_display_read_events(m_display) < 0) {
        markLost();
        return;
    }
    // Requests made while handling the events leave now, not only once the loop sleeps (a
    // loop kept busy would hold them back).
    flush();
}

void WaylandConnection::markLost() {
    if (m_lost) {
        return;
    }
    m_lost = true;
    m_notifier->setEnabled(false);
    const int code = wl_display_get_error(m_display);
    qCWarning(Log::app).noquote() << QStringLiteral("the Wayland connection closed (%1)")
                                         .arg(QString::fromLocal8Bit(
                                             std::strerror(code ? code : EPIPE)));
    Q_EMIT lost();
}
