#pragma once

#include "Pasteboard.h"

// A pasteboard held in memory: an ordered list of flavours and a change counter. Images
// are any flavour an image decoder understands; file URLs come from "text/uri-list".
class MemoryPasteboard final : public Pasteboard {
public:
    qint64 changeCount() const override { return m_changeCount; }
    std::optional<QStringList> types() override;
    std::optional<QByteArray> data(const QString& type) override;
    std::optional<QString> string(const QString& type) override;
    std::optional<QByteArray> firstImageTiff() override;

    void clearContents() override;
    void writeItem(const QList<Flavour>& flavours) override;

    // Replaces the content as another application would.
    void setContent(const QList<Flavour>& flavours);
    const QList<Flavour>& flavours() const { return m_flavours; }
    // Reads made since the last reset, by type ("types" for the type list).
    QStringList reads;

private:
    qint64 m_changeCount = 0;
    bool m_hasContent = false;
    QList<Flavour> m_flavours;
};
