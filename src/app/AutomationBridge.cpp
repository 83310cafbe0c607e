#include "AutomationBridge.h"

#include "AppState.h"
#include "core/Log.h"
#include "core/UserDefaults.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <limits>

namespace {

// A slot, rank or index argument as an int; anything beyond int's range reads as -1, which
// every action treats as out of range.
int small(qint64 v) {
    return v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()
               ? -1
               : static_cast<int>(v);
}

bool isSlot(qint64 v) {
    return v >= 0 && v < SlotStore::slotCount;
}

} // namespace

AutomationBridge::AutomationBridge(AppState& state, UserDefaults& defaults, QString stateFile)
    : m_state(state), m_defaults(defaults), m_stateFile(std::move(stateFile)) {}

AutomationBridge::Result AutomationBridge::handleWithReason(const QByteArray& url) {
    const auto parsed = AutomationUrl::parse(url);
    if (!parsed) {
        return {false, AutomationUrl::refusal(url)};
    }
    if (!run(*parsed)) {
        qCCritical(Log::automation).noquote()
            << QStringLiteral("unknown action: %1").arg(parsed->action());
        return {false, QStringLiteral("unknown action: %1").arg(parsed->action())};
    }
    dumpState();
    return {true, QString()};
}

bool AutomationBridge::run(const AutomationUrl& url) {
    const QString& action = url.action();
    const QList<qint64> ints = url.intArgs();
    const QStringList strings = url.stringArgs();
    const bool hasN = !ints.isEmpty();
    const bool hasAB = ints.size() >= 2;
    const int n = hasN ? small(ints[0]) : -1;
    SlotStore& slots = m_state.slots();

    if (action == u"capture-to-slot") {
        if (hasN) {
            m_state.service().captureClipboardToSlot(n);
        }
    } else if (action == u"load-slot") {
        if (hasN) {
            m_state.service().loadSlotToClipboard(n, PasteTransform::None);
        }
    } else if (action == u"paste-slot") {
        if (hasN) {
            onPaste(n);
        }
    } else if (action == u"clear-slot") {
        if (hasN && isSlot(ints[0])) {
            slots.clear(n);
        }
    } else if (action == u"pin-slot") {
        if (hasN && isSlot(ints[0])) {
            slots.togglePinned(n);
        }
    } else if (action == u"clear-unpinned") {
        slots.clearAllUnpinned();
    } else if (action == u"transform-slot") {
        if (hasN) {
            m_state.service().loadSlotToClipboard(n, url.transformArg());
        }
    } else if (action == u"move-slot") {
        if (hasAB) {
            slots.move(small(ints[0]), small(ints[1]));
        }
    } else if (action == u"load-stat") {
        if (hasAB) {
            loadStat(ints[0], ints[1]);
        }
    } else if (action == u"history-to-slot") {
        if (hasAB) {
            loadHistory(ints[0], ints[1]);
        }
    } else if (action == u"add-snippet") {
        if (!strings.isEmpty()) {
            m_state.snippets().add(strings[0], strings.size() >= 2 ? strings[1] : strings[0]);
        }
    } else if (action == u"copy-snippet") {
        if (hasN) {
            copySnippet(ints[0]);
        }
    } else if (action == u"delete-snippet") {
        if (hasN) {
            deleteSnippet(ints[0]);
        }
    } else if (action == u"summon") {
        onSummon();
    } else if (action == u"show-tab") {
        if (!strings.isEmpty()) {
            if (const auto tab = MainTabs::fromRaw(strings[0])) {
                m_state.setMainTab(*tab);
            }
        }
    } else if (action == u"next-tab") {
        m_state.showNextTab();
    } else if (action == u"prev-tab") {
        m_state.showPreviousTab();
    } else if (action == u"reload-hotkeys") {
        if (m_state.reloadHotkeys) {
            m_defaults.reload(); // the configuration may have been edited in the file
            m_state.reloadHotkeys(HotkeyConfig::load(m_defaults));
        }
    } else if (action == u"dump") {
        // The dump follows every action.
    } else {
        return false;
    }
    return true;
}

void AutomationBridge::loadStat(qint64 rank, qint64 toSlot) {
    if (!isSlot(toSlot)) {
        return; // a target outside 0-9 would create a slot record no view can show
    }
    const auto top = m_state.stats().topCopied(10);
    if (rank < 1 || rank > top.size()) {
        return;
    }
    if (const auto item = m_state.stats().loadableItem(top[static_cast<qsizetype>(rank - 1)].id)) {
        m_state.slots().setItem(*item, static_cast<int>(toSlot));
    }
}

void AutomationBridge::loadHistory(qint64 rank, qint64 toSlot) {
    if (!isSlot(toSlot) || rank < 1 || rank > AppState::historyLimit) {
        return;
    }
    const auto entries = m_state.slots().recentHistoryEntries(static_cast<int>(rank));
    if (entries.size() >= rank) {
        m_state.slots().setItem(entries[static_cast<qsizetype>(rank - 1)].item,
                                static_cast<int>(toSlot));
    }
}

void AutomationBridge::copySnippet(qint64 index) {
    const auto all = m_state.snippets().all();
    if (index < 1 || index > all.size()) {
        return;
    }
    SnippetExpander::use(all[static_cast<qsizetype>(index - 1)].body, m_state.slots(),
                         m_state.clipboard(), m_state.clock().now());
}

void AutomationBridge::deleteSnippet(qint64 index) {
    const auto all = m_state.snippets().all();
    if (index < 1 || index > all.size()) {
        return;
    }
    m_state.snippets().remove(all[static_cast<qsizetype>(index - 1)].id);
}

QJsonObject AutomationBridge::stateObject() const {
    SlotStore& slots = m_state.slots();
    StatsService& stats = m_state.stats();

    QJsonArray slotArray;
    const auto items = slots.allItems();
    for (int i = 0; i < SlotStore::slotCount; ++i) {
        const auto& item = items[static_cast<std::size_t>(i)];
        slotArray.append(QJsonObject{
            {QStringLiteral("index"), i},
            {QStringLiteral("kind"), item ? rawValue(item->kind) : QStringLiteral("empty")},
            {QStringLiteral("pinned"), slots.isPinned(i)},
            {QStringLiteral("preview"), item ? item->preview() : QString()},
        });
    }

    QJsonArray history;
    int rank = 1;
    for (const auto& entry : slots.recentHistoryEntries(20)) {
        history.append(QJsonObject{{QStringLiteral("kind"), rawValue(entry.item.kind)},
                                   {QStringLiteral("preview"), entry.item.preview()},
                                   {QStringLiteral("rank"), rank++}});
    }

    QJsonArray snippets;
    int index = 1;
    for (const auto& s : m_state.snippets().all()) {
        snippets.append(
            QJsonObject{{QStringLiteral("index"), index++}, {QStringLiteral("title"), s.title}});
    }

    QJsonArray top;
    for (const auto& t : stats.topCopied(10)) {
        top.append(QJsonObject{{QStringLiteral("copyCount"), t.copyCount},
                               {QStringLiteral("hash"), t.id},
                               {QStringLiteral("kind"), rawValue(t.kind)},
                               {QStringLiteral("loadable"), t.loadable},
                               {QStringLiteral("preview"), t.preview},
                               {QStringLiteral("rank"), t.rank}});
    }

    const HotkeyConfig config = HotkeyConfig::load(m_defaults);
    QJsonArray conflicts;
    for (const auto& c : config.conflicts(unavailableChords())) {
        conflicts.append(QJsonObject{{QStringLiteral("chord"), c.chord},
                                     {QStringLiteral("collidesWith"), c.collidesWith}});
    }
    const QJsonObject hotkeys{{QStringLiteral("conflicts"), conflicts},
                              {QStringLiteral("copy"), config.copyChordText()},
                              {QStringLiteral("paste"), config.pasteChordText()},
                              {QStringLiteral("summon"), config.summon.display()}};

    return QJsonObject{
        {QStringLiteral("accessibilityTrusted"), isTrusted()},
        {QStringLiteral("contentStatCount"), stats.contentStatCount()},
        {QStringLiteral("eventTapActive"), m_state.eventTapActive()},
        {QStringLiteral("history"), history},
        {QStringLiteral("historyCount"), slots.historyCount()},
        {QStringLiteral("hotkeys"), hotkeys},
        {QStringLiteral("mainTab"), MainTabs::rawValue(m_state.mainTab())},
        {QStringLiteral("slots"), slotArray},
        {QStringLiteral("snippetCount"), m_state.snippets().count()},
        {QStringLiteral("snippets"), snippets},
        {QStringLiteral("topContent"), top},
        {QStringLiteral("totalCopies"), stats.total(StatsService::Kind::Copy)},
        {QStringLiteral("totalPastes"), stats.total(StatsService::Kind::Paste)},
    };
}

void AutomationBridge::dumpState() {
    // QJsonObject keeps its keys sorted, so the file's key order is alphabetical.
    const QByteArray json = QJsonDocument(stateObject()).toJson(QJsonDocument::Indented);
    QSaveFile file(m_stateFile);
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size()) {
        file.cancelWriting();
        return;
    }
    file.commit();
}
