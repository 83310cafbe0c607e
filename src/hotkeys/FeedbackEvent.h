#pragma once

#include "clipboard/ClipboardItem.h"

#include <QByteArray>
#include <QString>
#include <optional>

// TookClipboard and ReadyToPaste are the copy and the paste where no keys can be pressed: the
// slot got what was already on the clipboard; the slot was put on the clipboard for the user to
// paste.
enum class FeedbackOutcome {
    Copied,
    Pasted,
    NothingToCopy,
    EmptySlot,
    TookClipboard,
    ReadyToPaste
};

// What one copy or paste chord did, for the log and the HUD.
struct FeedbackEvent {
    FeedbackOutcome outcome = FeedbackOutcome::NothingToCopy;
    std::optional<int> slot;
    QString preview; // already truncated; empty without content
    std::optional<ClipboardKind> kind;
    std::optional<QByteArray> imagePNG;

    static constexpr int previewLimit = 80;

    // "Copied → slot 3", "Pasted slot 3", "Nothing to copy", "Slot 3 is empty",
    // "Clipboard → slot 3 (no Ctrl+C pressed)", "Slot 3 on the clipboard: press Ctrl+V".
    QString summary() const;

    // An event about `item` (Copied, Pasted, TookClipboard, ReadyToPaste), or without content
    // (the other outcomes).
    static FeedbackEvent make(FeedbackOutcome outcome, std::optional<int> slot,
                              const std::optional<ClipboardItem>& item = std::nullopt);
    // The first 80 user-perceived characters and "…" when the text has more than 80.
    static QString truncate(const QString& text, int limit = previewLimit);

    friend bool operator==(const FeedbackEvent&, const FeedbackEvent&) = default;
};
