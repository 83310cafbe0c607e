#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <xcb/xcb.h>

// Reads the content of an X11 selection (CLIPBOARD, PRIMARY) from its owner, on an XCB
// connection of its own, with incremental (INCR) transfers of any size.
//
// A read waits for the owner only while it makes progress: each answer and each chunk
// restarts the stall deadline, so a long transfer that keeps arriving is read to its end,
// and an owner that stops answering costs at most the stall deadline. An owner that leaves a
// request unanswered (xclip, serving someone else's incremental transfer, drops requests) is
// asked again while the deadline runs. The wait sleeps in poll() on the connection, so
// nothing else of the program's runs meanwhile, but nothing spins either.
//
// A read takes at most `maxBytes`. Content over that is TooLarge and none of it is kept: a
// property is measured before it is fetched, an incremental transfer is refused as soon as its
// announced size or what arrived passes the bound. Such a transfer is then drained, each chunk
// deleted unread, so that the owner (xclip serves one transfer at a time) is free again and
// the whole size is known; a drain that outlasts `drainMs` is abandoned. A transfer that
// announces no size is kept up to `holdBytes` only (ContentLimit::unsizedHoldBytes): past
// that it is counted to its end, unread, and asked for again once it is known to fit.
class X11SelectionReader {
public:
    // Measured: it fits, but was counted rather than kept (never the answer of read()).
    enum class Status { Ok, NoOwner, Refused, Stalled, TooLarge, Measured };
    struct Reply {
        Status status = Status::NoOwner;
        QByteArray bytes;
        // For TooLarge: the content's size, or as much of it as was seen when `sizeIsLowerBound`.
        qint64 size = 0;
        bool sizeIsLowerBound = false;
    };

    // A reader on the display Qt runs on; null when Qt does not run on X11 or the display
    // cannot be reached.
    static std::unique_ptr<X11SelectionReader> forQtDisplay(int stallMs);
    // A reader on the named display (null: $DISPLAY).
    static std::unique_ptr<X11SelectionReader> open(const char* displayName, int stallMs,
                                                    xcb_connection_t* qtConnection = nullptr);
    ~X11SelectionReader();
    X11SelectionReader(const X11SelectionReader&) = delete;
    X11SelectionReader& operator=(const X11SelectionReader&) = delete;

    // `target` converted by the owner of `selection`, at most `maxBytes` of it; a transfer of
    // unknown size is kept up to `holdBytes` on a first pass.
    Reply read(const QString& selection, const QString& target, qint64 maxBytes, qint64 holdBytes);
    // The selection's owner window now (0: none).
    quint32 owner(const QString& selection);
    // True when `window` belongs to Qt's own connection (this program owns the selection).
    bool isQtWindow(quint32 window) const;
    // The names of the atoms in a TARGETS answer.
    QStringList atomNames(const QByteArray& atoms);

    // How often a request that got no answer is sent again.
    static constexpr int reaskMs = 500;
    // The longest a transfer refused for its size is drained.
    static constexpr int drainMs = 10000;

private:
    X11SelectionReader(xcb_connection_t* connection, quint32 window, int stallMs,
                       xcb_connection_t* qtConnection);
    quint32 atom(const QString& name);
    // The next event before `deadlineMs` (a steady-clock time), or null.
    xcb_generic_event_t* nextEvent(qint64 deadlineMs);
    // Waits for a new value of `property` on our window; false once `deadlineMs` has passed.
    bool awaitNewValue(quint32 property, qint64 deadlineMs);
    // Reads and deletes the property; `type` is its type (0 when it does not exist). A property
    // over `maxBytes` is deleted unread: `*size` then tells its size and nothing is returned.
    QByteArray takeProperty(quint32 property, quint32* type, qint64 maxBytes = -1,
                            qint64* size = nullptr);
    // The size of the property and its type (0 when it does not exist), then deletes it unread.
    qint64 dropProperty(quint32 property, quint32* type);
    // One request and its transfer, keeping at most `holdBytes` of a transfer of unknown size.
    Reply readOnce(const QString& selection, const QString& target, qint64 maxBytes,
                   qint64 holdBytes);
    Reply readIncrementally(quint32 property, qint64 announced, qint64 maxBytes, qint64 holdBytes,
                            Reply reply);
    // Deletes the rest of a transfer chunk by chunk; `seen` bytes of it have arrived so far.
    // TooLarge over `maxBytes`, Measured within it.
    Reply drain(quint32 property, qint64 seen, qint64 announced, qint64 maxBytes, Reply reply);
    void discardPendingEvents();

    struct Disconnect {
        void operator()(xcb_connection_t* c) const;
    };
    std::unique_ptr<xcb_connection_t, Disconnect> m_connection;
    quint32 m_window = 0;
    xcb_connection_t* m_qtConnection = nullptr;
    int m_stallMs = 0;
    unsigned m_requests = 0;
    QHash<QString, quint32> m_atoms;
    QHash<quint32, QString> m_names;
};
