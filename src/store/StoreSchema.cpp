#include "StoreSchema.h"

#include "SqliteDatabase.h"
#include "SqliteTransaction.h"
#include "StoreContainer.h"

namespace {

// Every item column group is (item_data, png_at, png): the stored encoding with the image's
// PNG bytes cut out into `png`, cut at offset `png_at`. `png` is the last column so that
// reading a row without it never touches the image's pages.
const char* const tables[] = {
    "CREATE TABLE slot_record ("
    " pk INTEGER PRIMARY KEY AUTOINCREMENT, slot_index INTEGER NOT NULL,"
    " pinned INTEGER NOT NULL, updated_at REAL NOT NULL,"
    " item_data BLOB NOT NULL, png_at INTEGER, png BLOB)",
    "CREATE TABLE history_record ("
    " pk INTEGER PRIMARY KEY AUTOINCREMENT, id TEXT NOT NULL, captured_at REAL NOT NULL,"
    " item_data BLOB NOT NULL, png_at INTEGER, png BLOB)",
    "CREATE TABLE event_record ("
    " pk INTEGER PRIMARY KEY AUTOINCREMENT, id TEXT NOT NULL, slot_index INTEGER NOT NULL,"
    " kind TEXT NOT NULL, at REAL NOT NULL)",
    "CREATE TABLE content_stat ("
    " pk INTEGER PRIMARY KEY AUTOINCREMENT, content_hash TEXT NOT NULL, kind TEXT NOT NULL,"
    " preview TEXT NOT NULL, loadable INTEGER NOT NULL, copy_count INTEGER NOT NULL,"
    " first_copied_at REAL NOT NULL, last_copied_at REAL NOT NULL,"
    " item_data BLOB NOT NULL, png_at INTEGER, png BLOB)",
    "CREATE TABLE snippet ("
    " pk INTEGER PRIMARY KEY AUTOINCREMENT, id TEXT NOT NULL, title TEXT NOT NULL,"
    " body TEXT NOT NULL, created_at REAL NOT NULL, updated_at REAL NOT NULL)",
};

const char* const indexes[] = {
    // One record per slot, kept by the schema itself. A store written before this rule may
    // hold several for one slot: the one set last stays.
    "DELETE FROM slot_record WHERE pk NOT IN (SELECT (SELECT r.pk FROM slot_record r"
    " WHERE r.slot_index = s.slot_index ORDER BY r.updated_at DESC, r.pk DESC LIMIT 1)"
    " FROM (SELECT DISTINCT slot_index FROM slot_record) s)",
    "DROP INDEX IF EXISTS slot_record_by_index",
    "CREATE UNIQUE INDEX IF NOT EXISTS slot_record_one_per_index ON slot_record(slot_index)",
    "CREATE INDEX IF NOT EXISTS history_record_by_time ON history_record(captured_at, pk)",
    "CREATE INDEX IF NOT EXISTS history_record_by_id ON history_record(id)",
    "CREATE INDEX IF NOT EXISTS event_record_by_kind_slot ON event_record(kind, slot_index)",
    "CREATE INDEX IF NOT EXISTS content_stat_by_hash ON content_stat(content_hash)",
    "CREATE INDEX IF NOT EXISTS content_stat_by_rank"
    " ON content_stat(copy_count DESC, last_copied_at DESC)",
    "CREATE INDEX IF NOT EXISTS snippet_by_id ON snippet(id)",
    "CREATE INDEX IF NOT EXISTS snippet_by_creation ON snippet(created_at, pk)",
    // Event counts per (kind, slot), kept by triggers, so totals stay instant however many
    // events accumulate. Built from the events when missing.
    "CREATE TABLE IF NOT EXISTS event_count ("
    " kind TEXT NOT NULL, slot_index INTEGER NOT NULL, count INTEGER NOT NULL,"
    " PRIMARY KEY (kind, slot_index)) WITHOUT ROWID",
    "CREATE TRIGGER IF NOT EXISTS event_count_insert AFTER INSERT ON event_record BEGIN"
    " INSERT INTO event_count (kind, slot_index, count) VALUES (NEW.kind, NEW.slot_index, 1)"
    " ON CONFLICT (kind, slot_index) DO UPDATE SET count = count + 1; END",
    "CREATE TRIGGER IF NOT EXISTS event_count_delete AFTER DELETE ON event_record BEGIN"
    " UPDATE event_count SET count = count - 1"
    " WHERE kind = OLD.kind AND slot_index = OLD.slot_index; END",
};

} // namespace

bool StoreSchema::create(SqliteDatabase& db, QString* error) {
    // Large pages: image rows span far fewer overflow pages, which makes trimming them cheap.
    db.exec(QStringLiteral("PRAGMA page_size = 16384"));
    SqliteTransaction tx(db);
    bool ok = tx.isActive();
    for (const char* sql : tables) {
        ok = ok && db.exec(QString::fromLatin1(sql));
    }
    ok = ok && ensureIndexes(db);
    ok = ok &&
         db.exec(QStringLiteral("PRAGMA application_id = %1").arg(StoreContainer::applicationId));
    ok = ok &&
         db.exec(QStringLiteral("PRAGMA user_version = %1").arg(StoreContainer::schemaVersion));
    if (!ok) {
        *error = db.errorMessage();
        return false;
    }
    if (!tx.commit()) {
        *error = db.errorMessage();
        return false;
    }
    return true;
}

bool StoreSchema::verify(SqliteDatabase& db, bool* isEmpty, QString* error) {
    *isEmpty = false;
    const auto appId = db.queryInt(QStringLiteral("PRAGMA application_id"));
    const auto version = db.queryInt(QStringLiteral("PRAGMA user_version"));
    const auto objects = db.queryInt(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    if (!appId || !version || !objects) {
        *error = db.errorMessage();
        return false;
    }
    if (*appId == 0 && *version == 0 && *objects == 0) {
        *isEmpty = true;
        return true;
    }
    if (*appId != StoreContainer::applicationId) {
        *error = QStringLiteral("not a Stashwick store");
        return false;
    }
    if (*version != StoreContainer::schemaVersion) {
        *error =
            *version > StoreContainer::schemaVersion
                ? QStringLiteral("store was written by a newer version (schema %1)").arg(*version)
                : QStringLiteral("unknown store schema %1").arg(*version);
        return false;
    }
    const auto found = db.queryInt(QStringLiteral(
        "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN "
        "('slot_record', 'history_record', 'event_record', 'content_stat', 'snippet')"));
    if (!found || *found != 5) {
        *error = QStringLiteral("store is missing tables");
        return false;
    }
    return true;
}

bool StoreSchema::ensureIndexes(SqliteDatabase& db) {
    const auto hadCounts = db.queryInt(QStringLiteral(
        "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'event_count'"));
    if (!hadCounts) {
        return false;
    }
    for (const char* sql : indexes) {
        if (!db.exec(QString::fromLatin1(sql))) {
            return false;
        }
    }
    if (*hadCounts == 0) {
        return db.exec(QStringLiteral("INSERT INTO event_count (kind, slot_index, count) SELECT "
                                      "kind, slot_index, count(*) FROM event_record GROUP BY "
                                      "kind, slot_index"));
    }
    return true;
}
