#pragma once

#include "store/SlotStore.h"

#include "ui/Card.h"

class AsyncThumbnails;
class Clock;
class IconChipButton;
class QLabel;
class QMenu;
class Theme;
class WrappingText;

// One history entry on a card: its kind mark or a small picture, its preview and age, and the
// actions "Copy to clipboard", "Send to a slot" and "Delete from history".
class HistoryRow : public Card {
    Q_OBJECT
public:
    HistoryRow(const Theme& theme, AsyncThumbnails& thumbnails, const Clock& clock,
               QWidget* parent = nullptr);

    void setEntry(const SlotStore::HistoryEntry& entry);
    const SlotStore::HistoryEntry& entry() const { return m_entry; }
    static constexpr qsizetype previewChars = 1200;

    // The preview, or the kind's name when the preview is empty.
    QString previewText() const;
    IconChipButton* copyButton() const { return m_copy; }
    IconChipButton* sendButton() const { return m_send; }
    IconChipButton* deleteButton() const { return m_delete; }
    // Opens "Send to a slot" (one entry per slot) for the entry the row shows now.
    QMenu* openSendMenu();

Q_SIGNALS:
    void copyRequested(const SlotStore::HistoryEntry& entry);
    void sendRequested(const SlotStore::HistoryEntry& entry, int slot);
    void deleteRequested(const SlotStore::HistoryEntry& entry);

private:
    AsyncThumbnails& m_thumbnails;
    const Clock& m_clock;
    SlotStore::HistoryEntry m_entry;
    QWidget* m_mark;
    WrappingText* m_preview;
    QLabel* m_age;
    IconChipButton* m_copy;
    IconChipButton* m_send;
    IconChipButton* m_delete;
};
