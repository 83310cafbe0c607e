#pragma once

#include "ContentLimit.h"
#include "Pasteboard.h"

// A pasteboard held in memory: an ordered list of flavours and a change counter. Images
// are any image flavour ImageConversion decodes; file URLs come from "text/uri-list". A
// flavour over `contentLimit` bytes is refused as the system's pasteboards refuse it.
class MemoryPasteboard final : public Pasteboard {
public:
    explicit MemoryPasteboard(qint64 contentLimit = ContentLimit::maxBytes)
        : m_contentLimit(contentLimit) {}

    qint64 changeCount() const override { return m_changeCount; }
    std::optional<QStringList> types() override;
    std::optional<QByteArray> data(const QString& type) override;
    std::optional<QString> string(const QString& type) override;
    std::optional<QByteArray> firstImageTiff() override;
    std::optional<Oversize> oversize() const override { return m_oversize; }

    void clearContents() override;
    void writeItem(const QList<Flavour>& flavours) override;

    // Replaces the content as another application would.
    void setContent(const QList<Flavour>& flavours);
    const QList<Flavour>& flavours() const { return m_flavours; }
    // Reads made since the last reset, by type ("types" for the type list).
    QStringList reads;

private:
    // The bytes of `type`, within the limit.
    std::optional<QByteArray> find(const QString& type);

    qint64 m_contentLimit;
    std::optional<Oversize> m_oversize;
    qint64 m_changeCount = 0;
    bool m_hasContent = false;
    QList<Flavour> m_flavours;
};
