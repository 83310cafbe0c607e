#pragma once

#include "DataControlDevice.h"
#include "clipboard/ClipboardNotifier.h"
#include "clipboard/ContentLimit.h"
#include "clipboard/Pasteboard.h"

#include <QObject>
#include <QPointer>
#include <optional>
#include <set>

class QClipboard;
class QMimeData;

// The clipboard (or, given that selection, the primary selection: what is selected in
// xterm-style terminals) of a Wayland session through a DataControlDevice, the way
// QtPasteboard gives it on X11. The change counter moves on every selection event of that
// selection that another program's content or a clear brings, and at each write of ours (the
// compositor's words of our own source, however many, are no further change).
//
// Another program's content is read through a pipe, synchronously but bounded: the owner
// may leave the pipe without progress for `stallMs` at most. An owner that stops answering
// costs one such wait: the content is then taken as stalled, every further read of it
// answers "absent" at once, and nothing is asked again until the selection changes. Our own
// content is answered from memory (a pipe to ourselves could never be served while we wait).
// So is what the program's own windows copied: they run on XWayland, which passes their X11
// selection on to the compositor and would ask Qt for it while we wait; while they own it,
// it is read from `windows` (the program's QClipboard; null where there are no windows).
//
// Text is offered and found under its usual Wayland and X11 names (text/plain;charset=utf-8,
// UTF8_STRING, text/plain, TEXT, STRING, COMPOUND_TEXT): they all read as `stringType`.
//
// A read takes at most `contentLimit` bytes of a type: past that the pipe is closed, none of it
// is kept, and the content is oversize (oversize()): every further read of it answers absent
// at once until the selection changes. Past ContentLimit::unsizedHoldBytes a transfer is
// counted rather than kept, and asked for once more when it ended within the limit.
//
// It reports its events (events()): each selection event as the counter moves, and each paste
// of a source of ours, as the compositor asks for it (`send`) and once its transfer is over.
class DataControlPasteboard final : public QObject, public Pasteboard {
    Q_OBJECT
public:
    DataControlPasteboard(
        DataControlDevice& device,
        DataControlDevice::Selection selection = DataControlDevice::Selection::Clipboard,
        QClipboard* windows = nullptr, QObject* parent = nullptr,
        qint64 contentLimit = ContentLimit::maxBytes);

    qint64 changeCount() const override { return m_changeCount; }
    ClipboardEvents* events() override { return &m_notifier; }
    bool holdsOwnWrite() const override { return isOwn(); }
    std::optional<QStringList> types() override;
    std::optional<QByteArray> data(const QString& type) override;
    std::optional<QString> string(const QString& type) override;
    std::optional<QByteArray> firstImageTiff() override;
    std::optional<Oversize> oversize() const override { return m_oversize; }

    void clearContents() override;
    void writeItem(const QList<Flavour>& flavours) override;

    // False for the primary selection where the compositor does not offer it, and once the
    // device is inert.
    bool isAvailable() const;
    bool isStalled() const { return m_stalled; }
    // The longest another program may leave a read without progress (as on X11).
    static constexpr int stallMs = 3000;

    // The offered types as the codec knows them: every text type is text/plain; X11
    // bookkeeping targets are left out.
    static QStringList mimeTypes(const QStringList& offered);
    // The offered type that holds `type`: the best text type for text/plain.
    static std::optional<QString> offeredTypeFor(const QString& type, const QStringList& offered);
    // What a source of ours offers for these flavours: each flavour, and text also under its
    // other names (STRING as ISO 8859-1).
    static QList<Flavour> offeredFlavours(const QList<Flavour>& flavours);

private:
    void selectionChanged(DataControlDevice::Selection selection);
    void served(DataControlDevice::SourceId source, bool finished);
    bool isOwn() const { return m_own != 0 && m_device.isSourceLive(m_own); }
    std::optional<QByteArray> ownData(const QString& type) const;
    // The content our windows copied while they own the selection; null otherwise.
    const QMimeData* windowsContent() const;
    std::optional<QByteArray> windowsData(const QMimeData& content, const QString& type);
    // The bytes of an offered type from the owner; absent when nothing came.
    std::optional<QByteArray> fetch(const QString& offeredType);

    DataControlDevice& m_device;
    DataControlDevice::Selection m_selection;
    qint64 m_contentLimit;
    qint64 m_changeCount = 0;
    bool m_stalled = false;
    std::optional<Oversize> m_oversize;
    // Cleared by us and the compositor has not said so yet.
    bool m_cleared = false;
    QPointer<QClipboard> m_windows;
    // Our source while it holds the selection (0: none), and what it was written from.
    DataControlDevice::SourceId m_own = 0;
    QList<Flavour> m_ownFlavours;
    // The sources we made whose pastes may still be under way (the newest few).
    std::set<DataControlDevice::SourceId> m_published;
    ClipboardNotifier m_notifier;
};
