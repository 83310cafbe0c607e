#pragma once

#include "clipboard/ClipboardNotifier.h"
#include "clipboard/NativeSelection.h"
#include "clipboard/Pasteboard.h"

#include <QClipboard>
#include <QObject>
#include <QPointer>
#include <memory>
#include <optional>

class QMimeData;

// The CLIPBOARD selection (or, given that mode, the PRIMARY selection: what is selected in
// xterm-style terminals) through QClipboard. The change counter moves on every
// QClipboard::changed for that selection (XFixes owner changes, our own writes included).
//
// Content that another program owns is read through the session's own reader where it gives
// one (`native`; on X11 a connection of its own): Qt's transfer gives up after a fixed time
// whether or not data is still arriving, and a request the owner leaves unanswered is not
// asked again. Our own content, and all content without such a reader, comes from QClipboard.
//
// Either way, an owner that stops answering costs one timeout: the first request that times
// out marks the current content as stalled, every further read of that same content answers
// "absent" at once, and nothing is retried until the content changes. Content with a flavour
// over the content limit is refused the same way (oversize()); X11PasteboardReader stops
// reading at the bound, QClipboard has read it all before its size can be known.
//
// Where the session tells when another program asks for our content (on X11), it reports its
// events (events()): each change as the counter moves, and each such request. Elsewhere
// (offscreen) it reports none.
class QtPasteboard final : public QObject, public Pasteboard {
    Q_OBJECT
public:
    explicit QtPasteboard(QClipboard* clipboard, QClipboard::Mode mode = QClipboard::Clipboard,
                          NativeSelection native = {}, QObject* parent = nullptr);

    qint64 changeCount() const override { return m_changeCount; }
    ClipboardEvents* events() override { return m_requests ? &m_notifier : nullptr; }
    // Where requests are watched (X11): whether Qt owns the selection; elsewhere it cannot be
    // told.
    bool holdsOwnWrite() const override;
    std::optional<QStringList> types() override;
    std::optional<QByteArray> data(const QString& type) override;
    std::optional<QString> string(const QString& type) override;
    std::optional<QByteArray> firstImageTiff() override;
    std::optional<Oversize> oversize() const override;

    void clearContents() override;
    void writeItem(const QList<Flavour>& flavours) override;

    bool isStalled() const { return m_stalled || (m_reader && m_reader->isStalled()); }
    // A request through QClipboard that took this long and brought nothing back is taken as
    // a timeout.
    static constexpr qint64 timeoutMs = 3000;

private:
    void contentChanged();
    const QMimeData* mime() const;
    // The reader of this selection when another program owns it now.
    ForeignSelection* foreign();
    // Runs one request against the owner, noting a timeout.
    template <typename F> auto timed(F&& request) -> decltype(request());
    // False, noting the content as oversize, when what QClipboard read is over the limit.
    bool withinLimit(qint64 bytes);

    QPointer<QClipboard> m_clipboard;
    QClipboard::Mode m_mode;
    qint64 m_changeCount = 0;
    bool m_stalled = false;
    std::optional<Oversize> m_oversize;
    std::optional<QStringList> m_types;
    std::unique_ptr<ForeignSelection> m_reader;
    ClipboardNotifier m_notifier;
    std::unique_ptr<QObject> m_requests;
};
