#include "AutomationBridge.h"

#include "AppState.h"
#include "clipboard/ContentLimit.h"
#include "core/Log.h"
#include "core/UserDefaults.h"

namespace {

bool isSlot(qint64 v) {
    return v >= 0 && v < SlotStore::slotCount;
}

using Result = AutomationBridge::Result;
using Verdict = AutomationBridge::Verdict;

const Result done{Verdict::Done, QString()};

Result nothing(const QString& reason) {
    return {Verdict::NothingDone, reason};
}

Result doneOr(bool ok, const QString& reason) {
    return ok ? done : nothing(reason);
}

// The reply for a change to the store: done only once it is saved.
Result written(const StoreWrite& write, const QString& unchangedReason) {
    switch (write.status) {
    case StoreWrite::Status::Saved:
        return done;
    case StoreWrite::Status::Pending:
        return nothing(QStringLiteral("not saved yet: %1").arg(write.reason));
    case StoreWrite::Status::Refused:
        return nothing(QStringLiteral("not saved: %1").arg(write.reason));
    case StoreWrite::Status::Unchanged:
        break;
    }
    return nothing(unchangedReason);
}

// Why a slot argument cannot be used, or empty when it can.
QString slotProblem(const QList<qint64>& ints, qsizetype at = 0) {
    if (ints.size() <= at) {
        return QStringLiteral("a slot number is missing");
    }
    if (!isSlot(ints[at])) {
        return QStringLiteral("slot %1 is out of range (0-9)").arg(ints[at]);
    }
    return QString();
}

QString emptySlot(qint64 slot) {
    return QStringLiteral("slot %1 is empty").arg(slot);
}

} // namespace

AutomationBridge::AutomationBridge(AppState& state, UserDefaults& defaults, QString stateFile)
    : m_state(state), m_defaults(defaults), m_report(state, defaults, std::move(stateFile)) {}

AutomationBridge::Result AutomationBridge::handleWithReason(const QByteArray& url) {
    const auto parsed = AutomationUrl::parse(url);
    if (!parsed) {
        return {Verdict::Refused, AutomationUrl::refusal(url)};
    }
    const auto result = run(*parsed);
    if (!result) {
        const QString reason = QStringLiteral("unknown action: %1").arg(parsed->action());
        qCCritical(Log::automation).noquote() << reason;
        return {Verdict::Refused, reason};
    }
    dumpState();
    Result reply = *result;
    // Whatever the action, the caller hears when nothing reaches the disk.
    if (const QString why = m_state.container().notSavingReason();
        reply.verdict == Verdict::Done && !why.isEmpty()) {
        reply.reason = QStringLiteral("not saved: %1").arg(why);
    }
    return reply;
}

std::optional<AutomationBridge::Result> AutomationBridge::run(const AutomationUrl& url) {
    const QString& action = url.action();
    const QList<qint64> ints = url.intArgs();
    const QStringList strings = url.stringArgs();
    const QString slotError = slotProblem(ints);
    const int n = slotError.isEmpty() ? static_cast<int>(ints[0]) : -1;
    SlotStore& slots = m_state.slots();
    // Listed, not loaded: a slot's image stays in the store.
    const auto occupied = [&] {
        return n >= 0 && slots.allItems()[static_cast<std::size_t>(n)].has_value();
    };

    if (action == u"capture-to-slot") {
        if (!slotError.isEmpty()) {
            return nothing(slotError);
        }
        const ClipboardService::Capture capture = m_state.service().captureClipboardToSlot(n);
        if (capture.tooLarge) {
            return nothing(QStringLiteral("nothing captured: the clipboard content is too large "
                                          "(%1; at most %2)")
                               .arg(capture.tooLarge->describe(),
                                    ContentLimit::describe(ContentLimit::maxBytes)));
        }
        return written(capture.write,
                       QStringLiteral("nothing captured: the clipboard is empty or concealed"));
    }
    if (action == u"load-slot" || action == u"transform-slot") {
        if (!slotError.isEmpty()) {
            return nothing(slotError);
        }
        const auto transform = action == u"load-slot" ? PasteTransform::None : url.transformArg();
        return doneOr(m_state.service().loadSlotToClipboard(n, transform), emptySlot(n));
    }
    if (action == u"copy-to-slot") {
        if (!slotError.isEmpty()) {
            return nothing(slotError);
        }
        // The whole copy chord: the application in front is asked to copy, and what it puts
        // on the clipboard goes into the slot a moment later; the HUD tells the outcome.
        onCopy(n);
        return done;
    }
    if (action == u"paste-slot") {
        if (!slotError.isEmpty()) {
            return nothing(slotError);
        }
        const bool filled = occupied();
        onPaste(n); // the HUD tells the user about an empty slot too
        return doneOr(filled, emptySlot(n));
    }
    if (action == u"clear-slot" || action == u"pin-slot") {
        if (!slotError.isEmpty()) {
            return nothing(slotError);
        }
        if (!occupied()) {
            return nothing(action == u"clear-slot"
                               ? QStringLiteral("slot %1 is already empty").arg(n)
                               : emptySlot(n));
        }
        return written(action == u"clear-slot" ? slots.clear(n) : slots.togglePinned(n),
                       emptySlot(n));
    }
    if (action == u"clear-unpinned") {
        return written(slots.clearAllUnpinned(), QStringLiteral("no unpinned slot holds anything"));
    }
    if (action == u"move-slot") {
        const QString targetError = slotProblem(ints, 1);
        if (!slotError.isEmpty() || !targetError.isEmpty()) {
            return nothing(slotError.isEmpty() ? targetError : slotError);
        }
        if (ints[0] == ints[1]) {
            return nothing(QStringLiteral("a slot cannot move onto itself"));
        }
        return written(slots.move(n, static_cast<int>(ints[1])),
                       QStringLiteral("slots %1 and %2 are both empty").arg(n).arg(ints[1]));
    }
    if (action == u"load-stat" || action == u"history-to-slot") {
        if (ints.size() < 2) {
            return nothing(QStringLiteral("a rank and a slot number are needed"));
        }
        return action == u"load-stat" ? loadStat(ints[0], ints[1]) : loadHistory(ints[0], ints[1]);
    }
    if (action == u"add-snippet") {
        if (strings.isEmpty()) {
            return nothing(QStringLiteral("a snippet title is missing"));
        }
        return written(
            m_state.snippets().add(strings[0], strings.size() >= 2 ? strings[1] : strings[0]),
            QString());
    }
    if (action == u"copy-snippet" || action == u"delete-snippet") {
        if (ints.isEmpty()) {
            return nothing(QStringLiteral("a snippet number is missing"));
        }
        return action == u"copy-snippet" ? copySnippet(ints[0]) : deleteSnippet(ints[0]);
    }
    if (action == u"summon") {
        onSummon();
        return done;
    }
    if (action == u"show-tab") {
        const auto tab = strings.isEmpty() ? std::nullopt : MainTabs::fromRaw(strings[0]);
        if (!tab) {
            return nothing(strings.isEmpty() ? QStringLiteral("a tab name is missing")
                                             : QStringLiteral("no tab named %1").arg(strings[0]));
        }
        m_state.setMainTab(*tab);
        onSummon(); // the tab is shown in the window
        return done;
    }
    if (action == u"next-tab" || action == u"prev-tab") {
        if (action == u"next-tab") {
            m_state.showNextTab();
        } else {
            m_state.showPreviousTab();
        }
        onSummon();
        return done;
    }
    if (action == u"reload-hotkeys") {
        if (!m_state.reloadHotkeys) {
            return nothing(QStringLiteral("this program has no global shortcuts to reload"));
        }
        m_defaults.reload(); // the configuration may have been edited in the file
        m_state.reloadHotkeys(HotkeyConfig::load(m_defaults));
        return done;
    }
    if (action == u"dump") {
        return done; // the dump follows every action
    }
    return std::nullopt;
}

AutomationBridge::Result AutomationBridge::loadStat(qint64 rank, qint64 toSlot) {
    if (!isSlot(toSlot)) {
        // A target outside 0-9 would create a slot record no view can show.
        return nothing(QStringLiteral("slot %1 is out of range (0-9)").arg(toSlot));
    }
    const auto top = m_state.stats().topCopied(10);
    if (rank < 1 || rank > top.size()) {
        return nothing(QStringLiteral("no most-copied content at rank %1").arg(rank));
    }
    const auto& entry = top[static_cast<qsizetype>(rank - 1)];
    if (!entry.loadable) {
        return nothing(QStringLiteral("the content at rank %1 is too large to load").arg(rank));
    }
    const auto item = m_state.stats().loadableItem(entry.id);
    if (!item) {
        return nothing(
            QStringLiteral("the stored content at rank %1 cannot be read (damaged)").arg(rank));
    }
    return written(m_state.slots().setItem(*item, static_cast<int>(toSlot)), QString());
}

AutomationBridge::Result AutomationBridge::loadHistory(qint64 rank, qint64 toSlot) {
    if (!isSlot(toSlot)) {
        return nothing(QStringLiteral("slot %1 is out of range (0-9)").arg(toSlot));
    }
    const auto entries = rank >= 1 && rank <= m_state.slots().historyLimit()
                             ? m_state.slots().recentHistoryEntries(static_cast<int>(rank))
                             : QList<SlotStore::HistoryEntry>();
    if (rank < 1 || entries.size() < rank) {
        return nothing(QStringLiteral("no history entry at rank %1").arg(rank));
    }
    return written(m_state.slots().setItem(entries[static_cast<qsizetype>(rank - 1)].item,
                                           static_cast<int>(toSlot)),
                   QString());
}

AutomationBridge::Result AutomationBridge::copySnippet(qint64 index) {
    const auto all = m_state.snippets().all();
    if (index < 1 || index > all.size()) {
        return nothing(QStringLiteral("no snippet number %1").arg(index));
    }
    SnippetExpander::use(all[static_cast<qsizetype>(index - 1)].body, m_state.slots(),
                         m_state.clipboard(), m_state.clock().now());
    return done;
}

AutomationBridge::Result AutomationBridge::deleteSnippet(qint64 index) {
    const auto all = m_state.snippets().all();
    if (index < 1 || index > all.size()) {
        return nothing(QStringLiteral("no snippet number %1").arg(index));
    }
    return written(m_state.snippets().remove(all[static_cast<qsizetype>(index - 1)].id),
                   QStringLiteral("no snippet number %1").arg(index));
}
