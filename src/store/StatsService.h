#pragma once

#include "clipboard/ClipboardItem.h"
#include "core/Clock.h"
#include "store/StoreWrite.h"

#include <QList>
#include <QObject>
#include <optional>
#include <utility>

class StoreContainer;
struct StoredItem;

// Usage statistics: one event per copy into a slot and per paste from a slot, and one
// aggregate per distinct content (by content hash) with a reloadable copy of it.
class StatsService : public QObject {
    Q_OBJECT
public:
    enum class Kind { Copy, Paste };

    struct TopContent {
        QString id; // the content hash
        int rank = 0;
        ClipboardKind kind = ClipboardKind::Text;
        QString preview;
        qint64 copyCount = 0;
        Instant lastCopiedAt;
        bool loadable = false;
        // A loadable image's bytes, read from the store only when asked for.
        std::optional<Blob> imagePNG;
    };

    // Encoded items up to this size are kept for reloading.
    static constexpr qint64 reloadableLimit = 524288;
    // A content's preview is kept cut after this many characters, with "…" (U+2026).
    static constexpr qsizetype previewLimit = 10000;

    StatsService(StoreContainer& container, const Clock& clock, QObject* parent = nullptr);

    static QString rawValue(Kind kind);

    // What the statistics take of a copied item: its content hash, kind and preview.
    struct CopiedContent {
        QString hash;
        ClipboardKind kind = ClipboardKind::Empty;
        QString preview;
    };
    static CopiedContent describeCopy(const ClipboardItem& item);

    StoreWrite record(Kind kind, std::optional<int> slot);
    StoreWrite recordCopy(const ClipboardItem& item, std::optional<int> slot);
    // The same for an item described and encoded (StoredItem::from) already, as a capture
    // that writes one item to several places has it; an empty `stored` keeps no copy.
    StoreWrite recordCopy(const CopiedContent& copy, const StoredItem& stored,
                          std::optional<int> slot);

    qint64 total(Kind kind) const;
    qint64 count(Kind kind, int slot) const;
    // Slots with at least one event of that kind, highest count first (ties by slot).
    QList<std::pair<int, qint64>> bySlot(Kind kind) const;
    QList<TopContent> topCopied(int limit) const;
    std::optional<ClipboardItem> loadableItem(const QString& contentHash) const;
    // Number of distinct contents counted (0 when counting fails).
    qint64 contentStatCount() const;

    int revision() const { return m_revision; }
    // Changes that waited reached the disk by a save of somebody else's: observers reload.
    void noteSaved();

Q_SIGNALS:
    void revisionChanged(int revision);

private:
    bool insertEvent(Kind kind, std::optional<int> slot);
    StoreWrite save(bool kept);

    StoreContainer& m_container;
    const Clock& m_clock;
    int m_revision = 0;
};
