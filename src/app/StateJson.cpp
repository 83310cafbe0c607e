#include "StateJson.h"

#include "AppState.h"
#include "core/AtomicFile.h"
#include "core/UserDefaults.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

// Previews in state.json stop after this many characters (then "…"): a caller has no use
// for a huge text in a state file, and writing one would make every command slow.
constexpr qsizetype dumpPreviewLimit = 10000;

} // namespace

StateJson::StateJson(AppState& state, UserDefaults& defaults, QString file)
    : m_state(state), m_defaults(defaults), m_file(std::move(file)) {}

QJsonObject StateJson::object() const {
    SlotStore& slots = m_state.slots();
    StatsService& stats = m_state.stats();

    // Slots and history are read as summaries, from the start of each stored item: a huge
    // item is never decoded for the dump.
    QJsonArray slotArray;
    {
        const auto items = slots.slotSummaries(dumpPreviewLimit);
        for (int i = 0; i < SlotStore::slotCount; ++i) {
            const auto& item = items[static_cast<std::size_t>(i)];
            slotArray.append(QJsonObject{
                {QStringLiteral("index"), i},
                {QStringLiteral("kind"), item ? rawValue(item->kind) : QStringLiteral("empty")},
                {QStringLiteral("pinned"), slots.isPinned(i)},
                {QStringLiteral("preview"), item ? item->preview : QString()},
            });
        }
    }

    QJsonArray history;
    {
        int rank = 1;
        for (const auto& entry : slots.recentHistorySummaries(20, dumpPreviewLimit)) {
            history.append(QJsonObject{{QStringLiteral("kind"), rawValue(entry.summary.kind)},
                                       {QStringLiteral("preview"), entry.summary.preview},
                                       {QStringLiteral("rank"), rank++}});
        }
    }

    QJsonArray snippets;
    int index = 1;
    for (const auto& s : m_state.snippets().all()) {
        snippets.append(
            QJsonObject{{QStringLiteral("index"), index++}, {QStringLiteral("title"), s.title}});
    }

    QJsonArray top;
    for (const auto& t : stats.topCopied(10)) {
        top.append(QJsonObject{
            {QStringLiteral("copyCount"), t.copyCount},
            {QStringLiteral("hash"), t.id},
            {QStringLiteral("kind"), rawValue(t.kind)},
            {QStringLiteral("loadable"), t.loadable},
            {QStringLiteral("preview"), ClipboardItem::cutPreview(t.preview, dumpPreviewLimit)},
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
        {QStringLiteral("platform"), session().toJson()},
        {QStringLiteral("slots"), slotArray},
        {QStringLiteral("snippetCount"), m_state.snippets().count()},
        {QStringLiteral("snippets"), snippets},
        {QStringLiteral("topContent"), top},
        {QStringLiteral("totalCopies"), stats.total(StatsService::Kind::Copy)},
        {QStringLiteral("totalPastes"), stats.total(StatsService::Kind::Paste)},
    };
}

void StateJson::write() const {
    // QJsonObject keeps its keys sorted, so the file's key order is alphabetical. A failed
    // write leaves the previous file as it was.
    AtomicFile::write(m_file, QJsonDocument(object()).toJson(QJsonDocument::Indented));
}
