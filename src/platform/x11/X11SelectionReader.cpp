#include "X11SelectionReader.h"

#include "X11Connection.h"
#include "XResource.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <xcb/xcb.h>

namespace {
qint64 nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Each request goes to the next of these properties in turn, so that a late answer to an
// earlier request cannot mix with the transfer being read.
constexpr int requestProperties = 8;
// Requests of one read, the first included.
constexpr int maxAsks = 4;
// The first request for a property asks for this many 32-bit units (1 MiB); the rest, if any,
// is asked for whole (the server caps the length at what it holds).
constexpr uint32_t firstWords = 1 << 18;
constexpr uint32_t wholeProperty = 0x3FFFFFFF;

template <typename T> T* eventAs(xcb_generic_event_t* e) {
    return reinterpret_cast<T*>(e);
}
} // namespace

void X11SelectionReader::Disconnect::operator()(xcb_connection_t* c) const {
    xcb_disconnect(c);
}

std::unique_ptr<X11SelectionReader> X11SelectionReader::forQtDisplay(int stallMs) {
    const auto x = X11Connection::current();
    if (!x) {
        return nullptr;
    }
    return open(X11Connection::displayName(*x).constData(), stallMs, x->connection);
}

std::unique_ptr<X11SelectionReader> X11SelectionReader::open(const char* displayName, int stallMs,
                                                             xcb_connection_t* qtConnection) {
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(displayName, &screenNumber);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return nullptr;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem > 0; ++i) {
        xcb_screen_next(&it);
    }
    if (it.rem == 0) {
        xcb_disconnect(c);
        return nullptr;
    }
    const xcb_window_t window = xcb_generate_id(c);
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, it.data->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    return std::unique_ptr<X11SelectionReader>(
        new X11SelectionReader(c, window, stallMs, qtConnection));
}

X11SelectionReader::X11SelectionReader(xcb_connection_t* connection, quint32 window, int stallMs,
                                       xcb_connection_t* qtConnection)
    : m_connection(connection), m_window(window), m_qtConnection(qtConnection), m_stallMs(stallMs) {
}

X11SelectionReader::~X11SelectionReader() {
    xcb_destroy_window(m_connection.get(), m_window);
    xcb_flush(m_connection.get());
}

quint32 X11SelectionReader::atom(const QString& name) {
    if (const auto it = m_atoms.constFind(name); it != m_atoms.cend()) {
        return *it;
    }
    const QByteArray latin = name.toLatin1();
    const XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        m_connection.get(),
        xcb_intern_atom(m_connection.get(), 0, static_cast<uint16_t>(latin.size()),
                        latin.constData()),
        nullptr));
    if (!reply) {
        return XCB_ATOM_NONE;
    }
    m_atoms.insert(name, reply->atom);
    m_names.insert(reply->atom, name);
    return reply->atom;
}

quint32 X11SelectionReader::owner(const QString& selection) {
    const XcbReply<xcb_get_selection_owner_reply_t> reply(xcb_get_selection_owner_reply(
        m_connection.get(), xcb_get_selection_owner(m_connection.get(), atom(selection)), nullptr));
    return reply ? reply->owner : quint32(XCB_WINDOW_NONE);
}

bool X11SelectionReader::isQtWindow(quint32 window) const {
    if (!m_qtConnection || window == XCB_WINDOW_NONE) {
        return false;
    }
    // Resource ids carry the base the server gave the connection that made them.
    const xcb_setup_t* setup = xcb_get_setup(m_qtConnection);
    return (window & ~setup->resource_id_mask) == setup->resource_id_base;
}

QStringList X11SelectionReader::atomNames(const QByteArray& atoms) {
    // Through a plain buffer: GCC 16 takes a copy straight out of the QByteArray for a read past
    // the one-byte array an empty QByteArray points to, whatever its size says.
    const std::vector<char> bytes(atoms.begin(), atoms.end());
    const std::size_t count = bytes.size() / sizeof(xcb_atom_t);
    std::vector<xcb_atom_t> list(count);
    if (count > 0) {
        std::memcpy(list.data(), bytes.data(), count * sizeof(xcb_atom_t));
    }
    // Every unknown name is asked for before any answer is awaited: one round trip.
    std::vector<std::pair<xcb_atom_t, xcb_get_atom_name_cookie_t>> pending;
    for (const xcb_atom_t a : list) {
        if (a != XCB_ATOM_NONE && !m_names.contains(a)) {
            pending.emplace_back(a, xcb_get_atom_name(m_connection.get(), a));
        }
    }
    for (const auto& [a, cookie] : pending) {
        const XcbReply<xcb_get_atom_name_reply_t> reply(
            xcb_get_atom_name_reply(m_connection.get(), cookie, nullptr));
        if (reply) {
            const QString name = QString::fromLatin1(xcb_get_atom_name_name(reply.get()),
                                                     xcb_get_atom_name_name_length(reply.get()));
            m_names.insert(a, name);
            m_atoms.insert(name, a);
        }
    }
    QStringList names;
    for (const xcb_atom_t a : list) {
        if (const auto it = m_names.constFind(a); it != m_names.cend()) {
            names << *it;
        }
    }
    return names;
}

bool X11SelectionReader::awaitNewValue(quint32 property, qint64 deadlineMs) {
    for (;;) {
        const XcbReply<xcb_generic_event_t> event(nextEvent(deadlineMs));
        if (!event) {
            return false;
        }
        if ((event->response_type & 0x7F) != XCB_PROPERTY_NOTIFY) {
            continue;
        }
        const auto* notify = eventAs<xcb_property_notify_event_t>(event.get());
        if (notify->window == m_window && notify->atom == property &&
            notify->state == XCB_PROPERTY_NEW_VALUE) {
            return true;
        }
    }
}

xcb_generic_event_t* X11SelectionReader::nextEvent(qint64 deadlineMs) {
    xcb_connection_t* c = m_connection.get();
    for (;;) {
        if (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            return e;
        }
        if (xcb_connection_has_error(c)) {
            return nullptr;
        }
        const qint64 left = deadlineMs - nowMs();
        if (left <= 0) {
            return nullptr;
        }
        pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(std::min<qint64>(left, 1000))) < 0 && errno != EINTR) {
            return nullptr;
        }
    }
}

void X11SelectionReader::discardPendingEvents() {
    while (xcb_generic_event_t* e = xcb_poll_for_event(m_connection.get())) {
        std::free(e);
    }
}

QByteArray X11SelectionReader::takeProperty(quint32 property, quint32* type, qint64 maxBytes,
                                            qint64* size) {
    xcb_connection_t* c = m_connection.get();
    // The server deletes a property only once it was read to its end: a property that is all
    // in the first piece goes in one request, a longer one is measured before the rest is
    // fetched.
    const XcbReply<xcb_get_property_reply_t> first(xcb_get_property_reply(
        c, xcb_get_property(c, 1, m_window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, firstWords),
        nullptr));
    if (!first || first->type == XCB_ATOM_NONE) {
        *type = XCB_ATOM_NONE;
        return {};
    }
    *type = first->type;
    const int length = xcb_get_property_value_length(first.get());
    const auto* value = static_cast<const char*>(xcb_get_property_value(first.get()));
    const qint64 total = qint64(length) + first->bytes_after;
    if (maxBytes >= 0 && total > maxBytes) {
        if (first->bytes_after > 0) {
            xcb_delete_property(c, m_window, property);
            xcb_flush(c);
        }
        if (size) {
            *size = total;
        }
        return {};
    }
    if (first->bytes_after == 0) {
        return QByteArray(value, length);
    }
    QByteArray out;
    out.reserve(static_cast<qsizetype>(total));
    out.append(value, length);
    const XcbReply<xcb_get_property_reply_t> rest(
        xcb_get_property_reply(c,
                               xcb_get_property(c, 1, m_window, property, XCB_GET_PROPERTY_TYPE_ANY,
                                                firstWords, wholeProperty),
                               nullptr));
    if (rest && rest->type != XCB_ATOM_NONE) {
        out.append(static_cast<const char*>(xcb_get_property_value(rest.get())),
                   xcb_get_property_value_length(rest.get()));
    }
    return out;
}

qint64 X11SelectionReader::dropProperty(quint32 property, quint32* type) {
    xcb_connection_t* c = m_connection.get();
    const XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, m_window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 0), nullptr));
    if (!reply || reply->type == XCB_ATOM_NONE) {
        *type = XCB_ATOM_NONE;
        return 0;
    }
    *type = reply->type;
    xcb_delete_property(c, m_window, property);
    xcb_flush(c);
    return reply->bytes_after;
}

X11SelectionReader::Reply X11SelectionReader::read(const QString& selection, const QString& target,
                                                   qint64 maxBytes, qint64 holdBytes) {
    Reply reply = readOnce(selection, target, maxBytes, std::min(holdBytes, maxBytes));
    if (reply.status == Status::Measured) {
        // Known to fit now: asked for again and kept whole (grown since, it is refused then).
        reply = readOnce(selection, target, maxBytes, maxBytes);
        if (reply.status == Status::Measured) {
            reply.status = Status::Refused;
        }
    }
    return reply;
}

X11SelectionReader::Reply X11SelectionReader::readOnce(const QString& selection,
                                                       const QString& target, qint64 maxBytes,
                                                       qint64 holdBytes) {
    xcb_connection_t* c = m_connection.get();
    Reply reply;
    const xcb_atom_t selectionAtom = atom(selection);
    const xcb_atom_t targetAtom = atom(target);
    if (selectionAtom == XCB_ATOM_NONE || targetAtom == XCB_ATOM_NONE) {
        return reply;
    }
    if (owner(selection) == XCB_WINDOW_NONE) {
        return reply;
    }
    discardPendingEvents(); // leftovers of earlier reads
    xcb_atom_t properties[maxAsks];

    const qint64 deadline = nowMs() + m_stallMs;
    qint64 askAt = nowMs();
    int asked = 0;
    xcb_atom_t property = XCB_ATOM_NONE;
    while (property == XCB_ATOM_NONE) {
        if (nowMs() >= askAt && asked < maxAsks) {
            properties[asked] = atom(
                QStringLiteral("_STASHWICK_SELECTION_%1").arg(m_requests++ % requestProperties));
            xcb_delete_property(c, m_window, properties[asked]);
            xcb_convert_selection(c, m_window, selectionAtom, targetAtom, properties[asked],
                                  XCB_CURRENT_TIME);
            xcb_flush(c);
            ++asked;
            askAt = nowMs() + reaskMs;
        }
        const qint64 wakeAt = asked < maxAsks ? std::min(deadline, askAt) : deadline;
        const XcbReply<xcb_generic_event_t> event(nextEvent(wakeAt));
        if (!event) {
            if (nowMs() >= deadline || xcb_connection_has_error(c)) {
                reply.status = Status::Stalled;
                return reply;
            }
            continue;
        }
        if ((event->response_type & 0x7F) != XCB_SELECTION_NOTIFY) {
            continue;
        }
        const auto* notify = eventAs<xcb_selection_notify_event_t>(event.get());
        const bool ours =
            std::find(properties, properties + asked, notify->property) != properties + asked;
        if (notify->requestor != m_window || notify->selection != selectionAtom ||
            notify->target != targetAtom || (notify->property != XCB_ATOM_NONE && !ours)) {
            continue;
        }
        if (notify->property == XCB_ATOM_NONE) {
            reply.status = Status::Refused;
            return reply;
        }
        property = notify->property;
    }

    xcb_atom_t type = XCB_ATOM_NONE;
    qint64 oversize = 0;
    QByteArray bytes = takeProperty(property, &type, maxBytes, &oversize);
    if (type == XCB_ATOM_NONE) {
        reply.status = Status::Refused;
        return reply;
    }
    if (oversize > 0) {
        reply.status = Status::TooLarge;
        reply.size = oversize;
        return reply;
    }
    if (type == atom(QStringLiteral("INCR"))) {
        // Taking the INCR property deleted it: the owner now sends the first chunk. Its value
        // is the size the owner announces (at least that much is to come).
        qint64 announced = 0;
        if (bytes.size() >= 4) {
            quint32 n = 0;
            std::copy_n(bytes.constData(), 4, reinterpret_cast<char*>(&n));
            announced = n;
        }
        return readIncrementally(property, announced, maxBytes, holdBytes, reply);
    }
    reply.status = Status::Ok;
    reply.bytes = std::move(bytes);
    return reply;
}

X11SelectionReader::Reply X11SelectionReader::readIncrementally(quint32 property, qint64 announced,
                                                                qint64 maxBytes, qint64 holdBytes,
                                                                Reply reply) {
    if (announced > maxBytes) {
        return drain(property, 0, announced, maxBytes, reply);
    }
    // An announced size within the bound is kept in full; without one, only up to holdBytes.
    const qint64 keep = announced > 0 ? maxBytes : holdBytes;
    QByteArray bytes;
    // The announced size is only a hint, but within the bound.
    bytes.reserve(static_cast<qsizetype>(announced));
    qint64 deadline = nowMs() + m_stallMs;
    for (;;) {
        if (!awaitNewValue(property, deadline)) {
            reply.status = Status::Stalled;
            return reply;
        }
        // Whatever the property holds now is the next chunk: the owner writes one only after
        // the previous one was taken, so a late notification finds it gone and is skipped.
        xcb_atom_t type = XCB_ATOM_NONE;
        qint64 oversize = 0;
        QByteArray chunk = takeProperty(property, &type, keep - bytes.size(), &oversize);
        if (type == XCB_ATOM_NONE) {
            continue;
        }
        if (oversize > 0) {
            const qint64 seen = bytes.size() + oversize;
            bytes = QByteArray(); // nothing of it is kept
            return drain(property, seen, announced, maxBytes, reply);
        }
        if (chunk.isEmpty()) {
            reply.status = Status::Ok;
            reply.bytes = std::move(bytes);
            return reply;
        }
        bytes.append(chunk);
        deadline = nowMs() + m_stallMs; // it is still moving
    }
}

X11SelectionReader::Reply X11SelectionReader::drain(quint32 property, qint64 seen, qint64 announced,
                                                    qint64 maxBytes, Reply reply) {
    const qint64 giveUpAt = nowMs() + drainMs;
    qint64 deadline = std::min(nowMs() + m_stallMs, giveUpAt);
    for (;;) {
        if (!awaitNewValue(property, deadline)) {
            // Abandoned: the owner is left to notice that nobody takes its chunks any more.
            const qint64 size = std::max(seen, announced);
            reply.status = size > maxBytes ? Status::TooLarge : Status::Stalled;
            reply.size = size;
            reply.sizeIsLowerBound = true;
            return reply;
        }
        xcb_atom_t type = XCB_ATOM_NONE;
        const qint64 chunk = dropProperty(property, &type);
        if (type == XCB_ATOM_NONE) {
            continue;
        }
        if (chunk == 0) {
            reply.status = seen > maxBytes ? Status::TooLarge : Status::Measured;
            reply.size = seen;
            return reply;
        }
        seen += chunk;
        deadline = std::min(nowMs() + m_stallMs, giveUpAt);
    }
}
