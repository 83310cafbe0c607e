#pragma once

#include "clipboard/ClipboardItem.h"
#include "clipboard/Oversize.h"

#include <QByteArray>
#include <QString>
#include <optional>

// TookClipboard and ReadyToPaste are the copy and the paste where no keys can be pressed: the
// slot got what was already on the clipboard; the slot was put on the clipboard for the user to
// paste. TooLarge: the copied content was over the content limit, so the slot kept what it had.
enum class FeedbackOutcome {
    Copied,
    Pasted,
    NothingToCopy,
    EmptySlot,
    TookClipboard,
    ReadyToPaste,
    TooLarge
};

// What one copy or paste chord did, for the log and the HUD.
struct FeedbackEvent {
    FeedbackOutcome outcome = FeedbackOutcome::NothingToCopy;
    std::optional<int> slot;
    QString preview; // already truncated; empty without content; the size for TooLarge
    std::optional<ClipboardKind> kind;
    std::optional<QByteArray> imagePNG;

    static constexpr int previewLimit = 80;

    // "Copied → slot 3", "Pasted slot 3", "Nothing to copy", "Slot 3 is empty",
    // "Clipboard → slot 3 (no Ctrl+C pressed)", "Slot 3 on the clipboard: press Ctrl+V",
    // "Not copied to slot 3: too large, 300 MB (at most 268 MB)".
    QString summary() const;

    // An event about `item` (Copied, Pasted, TookClipboard, ReadyToPaste), or without content
    // (the other outcomes). The preview is worked out from the start of the item only.
    static FeedbackEvent make(FeedbackOutcome outcome, std::optional<int> slot,
                              const std::optional<ClipboardItem>& item = std::nullopt);
    // A copy into `slot` refused for the content's size; the preview tells it ("300 MB (at
    // most 268 MB)").
    static FeedbackEvent tooLarge(std::optional<int> slot, const Oversize& size);
    // The first 80 user-perceived characters and "…" when the text has more than 80.
    static QString truncate(const QString& text, int limit = previewLimit);

    friend bool operator==(const FeedbackEvent&, const FeedbackEvent&) = default;
};
