#include "FeedbackEvent.h"

#include "clipboard/ContentLimit.h"

#include <QTextBoundaryFinder>

QString FeedbackEvent::summary() const {
    const QString n = slot ? QString::number(*slot) : QStringLiteral("?");
    switch (outcome) {
    case FeedbackOutcome::Copied:
        return QStringLiteral("Copied \u2192 slot ") + n;
    case FeedbackOutcome::Pasted:
        return QStringLiteral("Pasted slot ") + n;
    case FeedbackOutcome::NothingToCopy:
        return QStringLiteral("Nothing to copy");
    case FeedbackOutcome::TookClipboard:
        return QStringLiteral("Clipboard \u2192 slot ") + n +
               QStringLiteral(" (no Ctrl+C pressed)");
    case FeedbackOutcome::ReadyToPaste:
        return QStringLiteral("Slot ") + n + QStringLiteral(" on the clipboard: press Ctrl+V");
    case FeedbackOutcome::TooLarge:
        return QStringLiteral("Not copied to slot %1: too large, %2").arg(n, preview);
    case FeedbackOutcome::EmptySlot:
        break;
    }
    return QStringLiteral("Slot ") + n + QStringLiteral(" is empty");
}

FeedbackEvent FeedbackEvent::make(FeedbackOutcome outcome, std::optional<int> slot,
                                  const std::optional<ClipboardItem>& item) {
    FeedbackEvent event;
    event.outcome = outcome;
    event.slot = slot;
    const bool withContent =
        item &&
        (outcome == FeedbackOutcome::Copied || outcome == FeedbackOutcome::Pasted ||
         outcome == FeedbackOutcome::TookClipboard || outcome == FeedbackOutcome::ReadyToPaste);
    if (withContent) {
        // A grapheme is rarely more than a few characters: the cut keeps plenty for truncate.
        event.preview = truncate(item->boundedPreview(qsizetype(previewLimit) * 16));
        event.kind = item->kind;
        if (item->imagePNG) {
            event.imagePNG = item->imagePNG->bytes();
        }
    }
    return event;
}

FeedbackEvent FeedbackEvent::tooLarge(std::optional<int> slot, const Oversize& size) {
    FeedbackEvent event;
    event.outcome = FeedbackOutcome::TooLarge;
    event.slot = slot;
    event.preview = QStringLiteral("%1 (at most %2)")
                        .arg(size.describe(), ContentLimit::describe(ContentLimit::maxBytes));
    return event;
}

QString FeedbackEvent::truncate(const QString& text, int limit) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    qsizetype cut = -1;
    while (finder.toNextBoundary() != -1) {
        ++count;
        if (count == limit) {
            cut = finder.position();
        } else if (count > limit) {
            return text.left(cut) + QStringLiteral("\u2026");
        }
    }
    return text;
}
