#pragma once

#include "ClipboardEvents.h"
#include "Oversize.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

// The platform operations the codec needs from a clipboard: typed data and text, file URLs,
// images, clearing and writing. Types are MIME type names. QtPasteboard implements it over
// the X11 CLIPBOARD selection; MemoryPasteboard holds content in memory for tests.
class Pasteboard {
public:
    static inline const QString pngType = QStringLiteral("image/png");
    static inline const QString tiffType = QStringLiteral("image/tiff");
    static inline const QString rtfType = QStringLiteral("text/rtf");
    static inline const QString htmlType = QStringLiteral("text/html");
    static inline const QString stringType = QStringLiteral("text/plain");
    static inline const QString uriListType = QStringLiteral("text/uri-list");
    // How GTK file managers (Nautilus, Nemo, Caja, Thunar) copy and cut files: "copy" or
    // "cut" on the first line, then one URI a line.
    static inline const QString gnomeCopiedFilesType =
        QStringLiteral("x-special/gnome-copied-files");

    using Flavour = std::pair<QString, QByteArray>;

    virtual ~Pasteboard() = default;

    virtual qint64 changeCount() const = 0;
    // Each change of the counter, and each read of content we wrote, as the session reports
    // them; null where it reports nothing.
    virtual ClipboardEvents* events() { return nullptr; }
    // False once another program replaced what we wrote last; true while it is still there,
    // and wherever it cannot be told.
    virtual bool holdsOwnWrite() const { return true; }
    // The content's types, or absent when there is no content or it cannot be listed.
    virtual std::optional<QStringList> types() = 0;
    // Absolute paths of the content's file URLs, in order, from its URI list or else from its
    // GTK file-manager list; other URLs are left out. One parser for every pasteboard.
    QStringList fileUrlPaths();
    virtual std::optional<QByteArray> data(const QString& type) = 0;
    virtual std::optional<QString> string(const QString& type) = 0;
    // The first image the content can be made into, as TIFF bytes (ImageConversion).
    virtual std::optional<QByteArray> firstImageTiff() = 0;
    // Set once a read of the current content met a flavour over the content limit
    // (ContentLimit): that read answered absent without taking the data in, and every read of
    // the same content after it answers absent at once. Forgotten when the content changes.
    virtual std::optional<Oversize> oversize() const = 0;

    virtual void clearContents() = 0;
    // The files as a URI list and as a GTK file-manager copy, so that any file manager pastes
    // them.
    void writeFileUrls(const QStringList& paths);
    // One clipboard item with these flavours (texts as UTF-8), in this order.
    virtual void writeItem(const QList<Flavour>& flavours) = 0;

    // Text bytes as offered on a clipboard: UTF-16 when they start with a byte-order mark
    // (browsers offer HTML that way), otherwise UTF-8 (a UTF-8 mark is dropped).
    static QString decodeText(const QByteArray& bytes);
    // Absolute local paths of the file URLs in a text/uri-list, cleaned: "/a/b/" is "/a/b",
    // so a folder keeps its name.
    static QStringList filePathsFromUriList(const QByteArray& uriList);
    // The same for x-special/gnome-copied-files (its first line says "copy" or "cut").
    static QStringList filePathsFromGnomeCopiedFiles(const QByteArray& list);
};
