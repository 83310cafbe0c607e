#pragma once

#include "X11SelectionReader.h"
#include "clipboard/ContentLimit.h"
#include "clipboard/ForeignSelection.h"
#include "clipboard/Oversize.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

// The read half of a pasteboard over an X11 selection that another program owns: its
// targets as MIME types (the text targets UTF8_STRING, STRING, TEXT, COMPOUND_TEXT and
// text/plain;charset=utf-8 are text/plain; TARGETS, MULTIPLE, TIMESTAMP and SAVE_TARGETS are
// bookkeeping, not content), their bytes, text decoded from the best text target, images.
//
// An owner that stops answering costs one stall deadline: the content is then taken as
// stalled and not asked for again until it changes (a change notice, or another owner).
// Likewise a target over `contentLimit` bytes is read no further than the bound (none of it is
// kept) and makes the content oversize: nothing of it is asked for again until it changes.
class X11PasteboardReader final : public ForeignSelection {
public:
    X11PasteboardReader(std::unique_ptr<X11SelectionReader> reader, QString selection,
                        qint64 contentLimit = ContentLimit::maxBytes);
    // A reader of `selection` ("CLIPBOARD", "PRIMARY") on the display Qt runs on; null
    // without X11.
    static std::unique_ptr<X11PasteboardReader> forQtDisplay(const QString& selection);

    // True when another program owns the selection now; its content is then read here. A
    // new owner forgets what was known of the previous content.
    bool ownedElsewhere() override;
    // The content was replaced (the same owner may offer new content).
    void contentChanged() override;
    bool isStalled() const override { return m_stalled; }
    std::optional<Oversize> oversize() const override { return m_oversize; }

    std::optional<QStringList> types() override;
    std::optional<QByteArray> data(const QString& type) override;
    std::optional<QString> string(const QString& type) override;
    // The first offered image that decodes, as TIFF bytes (ImageConversion).
    std::optional<QByteArray> firstImageTiff() override;

    // The longest an owner may leave a request or a transfer without progress.
    static constexpr int stallMs = 3000;

    static QStringList mimeTypes(const QStringList& targets);
    // The target that holds `type`: the best text target for text/plain.
    static std::optional<QString> targetFor(const QString& type, const QStringList& targets);

private:
    bool knowTargets();
    std::optional<QByteArray> fetch(const QString& target);

    std::unique_ptr<X11SelectionReader> m_reader;
    QString m_selection;
    qint64 m_contentLimit;
    quint32 m_owner = 0;
    std::optional<QStringList> m_targets;
    bool m_stalled = false;
    std::optional<Oversize> m_oversize;
};
