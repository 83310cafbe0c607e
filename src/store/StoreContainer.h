#pragma once

#include "SqliteDatabase.h"

#include <QString>
#include <memory>
#include <optional>
#include <vector>

// The one store behind every service: an SQLite database ("Store.sqlite", WAL journal) or,
// as a fallback, one held in memory.
//
// Changes are a unit of work: change() runs a statement inside an open write transaction,
// so reads on the same connection see it at once, and save() commits everything pending.
// A change that SQLite refuses (a full disk, a read-only file) or a commit that fails leaves
// the changes pending: they are replayed, in order, in the next transaction and committed by
// the next save that succeeds. While saves keep failing, the pending changes are bounded
// (maxPendingChanges, maxPendingBytes); a change beyond the bound is refused and not kept.
class StoreContainer {
public:
    static constexpr qint64 schemaVersion = 1;
    static constexpr qint64 applicationId = 0x53747368; // "Stsh"

    // Opens a store in memory, or in the file at `path` (the data folder's "Store.sqlite"
    // when absent). A file that exists but is not a usable Stashwick store (not SQLite, a
    // foreign database, a newer schema, read-only) is refused without being written to.
    static std::unique_ptr<StoreContainer> make(bool inMemory, std::optional<QString> path,
                                                QString* error);
    // The start-up sequence: the file store, or the in-memory store after logging
    // "primary store failed: ...; falling back to in-memory". nullptr when neither opens.
    static std::unique_ptr<StoreContainer> openPrimaryOrFallback(const QString& path);

    ~StoreContainer();

    SqliteDatabase& db() const { return *m_db; }
    // Shared handle for work that may run after the caller is gone (deferred image loads).
    std::weak_ptr<SqliteDatabase> weakDb() const { return m_db; }

    static constexpr std::size_t maxPendingChanges = 1000;
    static constexpr qint64 maxPendingBytes = 256LL * 1024 * 1024;

    // False when the statement could not be applied now (it stays pending for the next save)
    // or was refused because too much is already waiting.
    bool change(const QString& sql, std::vector<SqlValue> values);
    bool save(QString* error);
    // save(), logging a failure in the store category as "<failurePrefix>: <error>".
    bool saveLogged(const QString& failurePrefix);
    bool hasPendingChanges() const { return !m_pending.empty() || m_db->inTransaction(); }

    bool isInMemory() const { return m_inMemory; }
    QString path() const { return m_path; }

    // Test seam: while set, every save fails with this message and changes stay pending.
    void setSaveFailure(std::optional<QString> message) { m_saveFailure = std::move(message); }

private:
    struct Change {
        QString sql;
        std::vector<SqlValue> values;
    };
    StoreContainer(std::shared_ptr<SqliteDatabase> db, bool inMemory, QString path);
    // Opens a write transaction and replays every pending change in it; on failure nothing
    // is left open and `error` says why.
    bool begin(QString* error);

    std::shared_ptr<SqliteDatabase> m_db;
    bool m_inMemory = false;
    QString m_path;
    std::vector<Change> m_pending;
    qint64 m_pendingBytes = 0;
    std::optional<QString> m_saveFailure;
};
