#include "HotkeyCoordinator.h"

#include <utility>

#include "ClipboardChangeWait.h"
#include "PasteRestore.h"

#include "core/Log.h"

HotkeyCoordinator::HotkeyCoordinator(ClipboardAccess& clipboard, SlotClipboard& slots,
                                     KeystrokeSynthesizing& synth, Scheduler& scheduler,
                                     ClipboardAccess* selection)
    : m_clipboard(clipboard), m_slots(slots), m_synth(synth), m_scheduler(scheduler),
      m_selection(selection), m_self(this) {}

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

void HotkeyCoordinator::afterSettle(std::function<void(HotkeyCoordinator*)> task) {
    const auto weak = m_self.handle();
    auto whenFree = [weak, task = std::move(task)]() mutable {
        const auto self = weak.get();
        if (!self) {
            task(nullptr);
            return;
        }
        self->m_synth.whenModifiersFree([weak, task = std::move(task)] { task(weak.get()); });
    };
    const double delay = m_synth.settleDelay();
    if (delay <= 0) {
        whenFree();
        return;
    }
    m_scheduler.schedule(delay, std::move(whenFree));
}

void HotkeyCoordinator::copy(int slot) {
    if (m_restoresPending > 0) {
        m_copiesWaiting.append(slot);
        return;
    }
    if (m_selection && m_synth.targetCopiesBySelection()) {
        // What is selected is already there: nothing to press, nothing to wait for.
        finishCopy(slot, *m_selection, FeedbackOutcome::Copied);
        return;
    }
    if (!m_synth.canPress()) {
        // No copy keystroke: the slot gets what the user copied last.
        finishCopy(slot, m_clipboard, FeedbackOutcome::TookClipboard);
        return;
    }
    afterSettle([slot](HotkeyCoordinator* self) {
        if (self) {
            self->pressCopy(slot);
        }
    });
}

void HotkeyCoordinator::pressCopy(int slot) {
    holdHistory();
    const qint64 before = m_clipboard.changeCount();
    m_synth.sendCopy();
    const auto weak = m_self.handle();
    ClipboardChangeWait::start(m_clipboard, m_scheduler, before, copyWaitAttempts, copyWaitInterval,
                               [weak, slot, release = releaseHistory] {
                                   if (const auto self = weak.get()) {
                                       self->finishCopy(slot, self->m_clipboard,
                                                        FeedbackOutcome::Copied, true);
                                   } else {
                                       release(std::nullopt); // gone: nothing captured
                                   }
                               });
}

void HotkeyCoordinator::finishCopy(int slot, ClipboardAccess& source, FeedbackOutcome outcome,
                                   bool held) {
    const qint64 count = source.changeCount();
    // A capture that waits for the next save is in the slot all the same.
    const SlotClipboard::Capture capture = m_slots.captureToSlot(slot, source);
    if (held) {
        releaseHistory(capture.tooLarge ? std::nullopt : std::optional<qint64>(count));
    }
    if (capture.tooLarge) {
        onFeedback(FeedbackEvent::tooLarge(slot, *capture.tooLarge));
        return;
    }
    if (capture.inSlot) {
        if (const auto item = m_slots.slot(slot)) {
            onFeedback(FeedbackEvent::make(outcome, slot, item));
            return;
        }
    }
    onFeedback(FeedbackEvent::make(FeedbackOutcome::NothingToCopy, slot));
}

void HotkeyCoordinator::pasteRestored() {
    if (--m_restoresPending > 0) {
        return;
    }
    const QList<int> waiting = std::exchange(m_copiesWaiting, {});
    for (const int slot : waiting) {
        copy(slot);
    }
}

std::optional<ClipboardItem> HotkeyCoordinator::remember(ClipboardAccess& source,
                                                         const char* name) {
    ClipboardRead read = source.read();
    if (const auto& size = read.tooLarge()) {
        // Too large to read, so too large to put back: the paste goes ahead all the same.
        qCWarning(Log::hotkeys).noquote()
            << QStringLiteral("the %1 holds %2, too large to keep: it is not put back after "
                              "the paste")
                   .arg(QLatin1String(name), size->describe());
    }
    return std::move(read).item();
}

void HotkeyCoordinator::paste(int slot) {
    const auto item = m_slots.slot(slot);
    if (!item || item->kind == ClipboardKind::Empty) {
        onFeedback(FeedbackEvent::make(FeedbackOutcome::EmptySlot, slot));
        return;
    }
    if (!m_synth.canPress()) {
        // The user pastes; what they paste must stay there, so nothing is put back.
        m_slots.loadSlotToClipboard(slot);
        onFeedback(FeedbackEvent::make(FeedbackOutcome::ReadyToPaste, slot, item));
        return;
    }
    // The selection is taken along only for an application that pastes from it.
    ClipboardAccess* selection =
        m_selection && m_synth.targetCopiesBySelection() ? m_selection : nullptr;
    std::optional<ClipboardItem> remembered = remember(m_clipboard, "clipboard");
    std::optional<ClipboardItem> rememberedSelection =
        selection ? remember(*selection, "selection") : std::nullopt;
    m_slots.loadSlotToClipboard(slot);
    if (selection) {
        selection->write(*item);
    }
    const qint64 loaded = m_clipboard.changeCount();
    const qint64 loadedSelection = selection ? selection->changeCount() : 0;
    // The restore runs even if the coordinator is gone by then; it needs only the
    // clipboard and the selection, which outlive it.
    ClipboardAccess* clipboard = &m_clipboard;
    // What another program put there after the paste is the user's newest copy: it stays.
    const auto replacedElsewhere = [](ClipboardAccess& c, qint64 before, const char* name) {
        if (c.changeCount() == before || c.holdsOwnWrite()) {
            return false;
        }
        qCInfo(Log::hotkeys).noquote()
            << QStringLiteral("the %1 was copied to during the paste: it is not put back")
                   .arg(QLatin1String(name));
        return true;
    };
    ++m_restoresPending;
    auto restore = [clipboard, selection, loaded, loadedSelection, replacedElsewhere,
                    remembered = std::move(remembered),
                    rememberedSelection = std::move(rememberedSelection), weak = m_self.handle()] {
        if (remembered && !replacedElsewhere(*clipboard, loaded, "clipboard")) {
            clipboard->write(*remembered);
        }
        if (selection && rememberedSelection &&
            !replacedElsewhere(*selection, loadedSelection, "selection")) {
            selection->write(*rememberedSelection);
        }
        if (HotkeyCoordinator* self = weak.get()) {
            self->pasteRestored();
        }
    };
    afterSettle([slot, item, selection, restore = std::move(restore)](HotkeyCoordinator* self) {
        if (!self) {
            // Nothing was pressed: the user's content goes back at once.
            restore();
            return;
        }
        self->m_synth.sendPaste();
        self->onFeedback(FeedbackEvent::make(FeedbackOutcome::Pasted, slot, item));
        std::vector<ClipboardEvents*> watched{self->m_clipboard.events()};
        if (selection) {
            watched.push_back(selection->events());
        }
        PasteRestore::start(self->m_scheduler, std::move(watched), self->m_slots.restoreDelay(),
                            restore);
    });
}
