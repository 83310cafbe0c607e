#include "HotkeyCoordinator.h"

#include "store/ClipboardService.h"

HotkeyCoordinator::HotkeyCoordinator(ClipboardAccess& clipboard, ClipboardService& service,
                                     KeystrokeSynthesizing& synth, Scheduler& scheduler,
                                     ClipboardAccess* selection)
    : m_clipboard(clipboard), m_service(service), m_synth(synth), m_scheduler(scheduler),
      m_selection(selection), m_self(std::make_shared<HotkeyCoordinator*>(this)) {}

void HotkeyCoordinator::handle(const HotkeyDecision& decision) {
    switch (decision.kind) {
    case HotkeyDecision::Kind::CopyToSlot:
        copy(decision.slot);
        break;
    case HotkeyDecision::Kind::PasteFromSlot:
        paste(decision.slot);
        break;
    case HotkeyDecision::Kind::Summon:
        onSummon();
        break;
    case HotkeyDecision::Kind::PassThrough:
        break;
    }
}

void HotkeyCoordinator::copy(int slot) {
    if (m_selection && m_synth.targetCopiesBySelection()) {
        // What is selected is already there: nothing to press, nothing to wait for.
        finishCopy(slot, *m_selection);
        return;
    }
    const qint64 before = m_clipboard.changeCount();
    m_synth.sendCopy();
    std::weak_ptr<HotkeyCoordinator*> weak = m_self;
    waitForClipboardChange(before, copyWaitAttempts, [weak, slot] {
        if (const auto self = weak.lock()) {
            (*self)->finishCopy(slot, (*self)->m_clipboard);
        }
    });
}

void HotkeyCoordinator::finishCopy(int slot, ClipboardAccess& source) {
    // A capture that waits for the next save is in the slot all the same.
    const StoreWrite write = m_service.captureToSlot(slot, source);
    if (write.isSaved() || write.status == StoreWrite::Status::Pending) {
        if (const auto item = m_service.slot(slot)) {
            onFeedback(FeedbackEvent::make(FeedbackOutcome::Copied, slot, item));
            return;
        }
    }
    onFeedback(FeedbackEvent::make(FeedbackOutcome::NothingToCopy, slot));
}

void HotkeyCoordinator::waitForClipboardChange(qint64 before, int attempts,
                                               std::function<void()> then) {
    if (m_clipboard.changeCount() == before && attempts > 0) {
        std::weak_ptr<HotkeyCoordinator*> weak = m_self;
        m_scheduler.schedule(
            copyWaitInterval, [weak, before, attempts, then = std::move(then)]() mutable {
                if (const auto self = weak.lock()) {
                    (*self)->waitForClipboardChange(before, attempts - 1, std::move(then));
                }
            });
        return;
    }
    then();
}

void HotkeyCoordinator::paste(int slot) {
    const auto item = m_service.slot(slot);
    if (!item || item->kind == ClipboardKind::Empty) {
        onFeedback(FeedbackEvent::make(FeedbackOutcome::EmptySlot, slot));
        return;
    }
    // The selection is taken along only for an application that pastes from it.
    ClipboardAccess* selection =
        m_selection && m_synth.targetCopiesBySelection() ? m_selection : nullptr;
    std::optional<ClipboardItem> remembered = m_clipboard.read();
    std::optional<ClipboardItem> rememberedSelection = selection ? selection->read() : std::nullopt;
    m_service.loadSlotToClipboard(slot, PasteTransform::None);
    if (selection) {
        selection->write(*item);
    }
    m_synth.sendPaste();
    onFeedback(FeedbackEvent::make(FeedbackOutcome::Pasted, slot, item));
    // The restore runs even if the coordinator is gone by then; it needs only the
    // clipboard and the selection, which outlive it.
    ClipboardAccess* clipboard = &m_clipboard;
    m_scheduler.schedule(m_service.restoreDelay(),
                         [clipboard, selection, remembered = std::move(remembered),
                          rememberedSelection = std::move(rememberedSelection)] {
                             if (remembered) {
                                 clipboard->write(*remembered);
                             }
                             if (selection && rememberedSelection) {
                                 selection->write(*rememberedSelection);
                             }
                         });
}
