#include "X11SelectionRequests.h"

#include "X11Connection.h"
#include "XResource.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <xcb/xcb.h>

namespace {
quint32 internAtom(xcb_connection_t* c, const QByteArray& name) {
    const auto cookie = xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.constData());
    const XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookie, nullptr));
    return reply ? reply->atom : 0;
}
} // namespace

std::unique_ptr<X11SelectionRequests>
X11SelectionRequests::forQtDisplay(const QByteArray& selection, std::function<void(bool)> served) {
    const auto x = X11Connection::current();
    if (!x || !QCoreApplication::instance()) {
        return nullptr;
    }
    const quint32 atom = internAtom(x->connection, selection);
    if (atom == 0) {
        return nullptr;
    }
    std::unique_ptr<X11SelectionRequests> requests(
        new X11SelectionRequests(atom, internAtom(x->connection, "TARGETS"),
                                 internAtom(x->connection, "TIMESTAMP"), std::move(served)));
    QCoreApplication::instance()->installNativeEventFilter(requests.get());
    return requests;
}

X11SelectionRequests::X11SelectionRequests(quint32 selection, quint32 targets, quint32 timestamp,
                                           std::function<void(bool)> served)
    : m_selection(selection), m_targets(targets), m_timestamp(timestamp),
      m_served(std::move(served)) {}

X11SelectionRequests::~X11SelectionRequests() {
    if (auto* app = QCoreApplication::instance()) {
        app->removeNativeEventFilter(this);
    }
}

bool X11SelectionRequests::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_SELECTION_REQUEST) {
        return false;
    }
    const auto* request = reinterpret_cast<const xcb_selection_request_event_t*>(event);
    if (request->selection != m_selection || request->target == m_targets ||
        request->target == m_timestamp) {
        return false;
    }
    m_served(false);
    // Qt handles the request once this filter returns; it is over on the next turn.
    QMetaObject::invokeMethod(
        this, [this] { m_served(true); }, Qt::QueuedConnection);
    return false;
}
