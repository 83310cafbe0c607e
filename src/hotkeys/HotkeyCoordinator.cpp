#include "HotkeyCoordinator.h"

#include "store/ClipboardService.h"

HotkeyCoordinator::HotkeyCoordinator(ClipboardAccess& clipboard, ClipboardService& service,
                                     KeystrokeSynthesizing& synth, Scheduler& scheduler)
    : m_clipboard(clipboard), m_service(service), m_synth(synth), m_scheduler(scheduler),
      m_self(std::make_shared<HotkeyCoordinator*>(this)) {}

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
    const qint64 before = m_clipboard.changeCount();
    m_synth.sendCopy();
    std::weak_ptr<HotkeyCoordinator*> weak = m_self;
    waitForClipboardChange(before, copyWaitAttempts, [weak, slot] {
        const auto self = weak.lock();
        if (!self) {
            return;
        }
        HotkeyCoordinator& c = **self;
        if (c.m_service.captureClipboardToSlot(slot)) {
            if (const auto item = c.m_service.slot(slot)) {
                c.onFeedback(FeedbackEvent::make(FeedbackOutcome::Copied, slot, item));
                return;
            }
        }
        c.onFeedback(FeedbackEvent::make(FeedbackOutcome::NothingToCopy, slot));
    });
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
    std::optional<ClipboardItem> remembered = m_clipboard.read();
    m_service.loadSlotToClipboard(slot, PasteTransform::None);
    m_synth.sendPaste();
    onFeedback(FeedbackEvent::make(FeedbackOutcome::Pasted, slot, item));
    // The restore runs even if the coordinator is gone by then; it needs only the
    // clipboard, which outlives it.
    ClipboardAccess* clipboard = &m_clipboard;
    m_scheduler.schedule(m_service.restoreDelay(), [clipboard, remembered = std::move(remembered)] {
        if (remembered) {
            clipboard->write(*remembered);
        }
    });
}
