#pragma once

#include "SqliteDatabase.h"
#include "StoreWrite.h"

#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The one store behind every service: an SQLite database ("Store.sqlite", WAL journal) or,
// as a fallback, one held in memory (opened and checked by StoreFile), and the unit of work
// and queue of unsaved changes on it.
//
// Changes are a unit of work: change() runs a statement inside an open write transaction,
// so reads on the same connection see it at once, and save() commits everything pending.
// A change that SQLite cannot write now (a full disk, a read-only file) or a commit that
// fails leaves the changes pending: from then on they are held in memory (the page cache
// does not spill to disk), replayed in order into a new transaction so reads still see
// them, and committed by later saves in batches small enough for the space there is. While
// saves keep failing, what waits is bounded (maxPendingChanges, and maxPendingBytes of
// memory for the statements and the pages they dirty); a change beyond that is refused.
class StoreContainer {
public:
    static constexpr qint64 schemaVersion = 1;
    static constexpr qint64 applicationId = 0x53747368; // "Stsh"

    // The store of StoreFile::open().
    static std::unique_ptr<StoreContainer> make(bool inMemory, std::optional<QString> path,
                                                QString* error, bool* mayPass = nullptr);
    // The start-up sequence: the file store, tried again while its failure may pass (up to
    // `attempts` tries with `wait` between them), or the in-memory store after logging
    // "primary store failed: ...; falling back to in-memory" (the reason is kept in
    // fallbackReason()). nullptr when neither opens.
    static std::unique_ptr<StoreContainer> openPrimaryOrFallback(
        const QString& path, int attempts = 1, const std::function<void()>& wait = [] {});

    ~StoreContainer();

    SqliteDatabase& db() const { return *m_db; }
    // Shared handle for work that may run after the caller is gone (deferred image loads).
    std::weak_ptr<SqliteDatabase> weakDb() const { return m_db; }

    static constexpr std::size_t maxPendingChanges = 1000;
    static constexpr qint64 maxPendingBytes = 256LL * 1024 * 1024;
    // The most a catch-up batch commits at once.
    static constexpr qint64 maxBatchBytes = 16LL * 1024 * 1024;

    // False when the change was refused and not kept: it failed for a reason of its own, or
    // too much already waits (lastRefusal() says which). True when it is applied or waits
    // for the next save.
    bool change(const QString& sql, std::vector<SqlValue> values);
    bool save(QString* error);
    // save(), logging a failure in the store category as "<failurePrefix>: <error>".
    bool saveLogged(const QString& failurePrefix);
    // Saves what a service's operation changed and tells what became of it: `kept` is false
    // when one of its changes was refused.
    StoreWrite finish(bool kept, const QString& failurePrefix);
    // Takes back the changes made since pendingCount() was `mark` (an operation that could
    // not be kept whole).
    void discardSince(std::size_t mark);
    bool hasPendingChanges() const { return !m_pending.empty() || m_db->inTransaction(); }
    // Whether earlier changes wait because saving failed.
    bool isBehind() const { return m_behind; }
    std::size_t pendingCount() const { return m_pending.size(); }
    // What the waiting changes hold in memory: their statements and the pages they dirty.
    qint64 pendingMemory() const;
    QString lastRefusal() const { return m_lastRefusal; }

    bool isInMemory() const { return m_inMemory; }
    QString path() const { return m_path; }
    // Why the file store could not be used, when this is the in-memory fallback.
    QString fallbackReason() const { return m_fallbackReason; }
    // Why changes are not being saved right now: the fallback's reason, or the last failed
    // save while changes wait; empty while everything is saved.
    QString notSavingReason() const;

    // Called whenever notSavingReason() may have changed (saving failed, or caught up).
    std::function<void()> onSavingChanged = [] {};

    // Test seam: while set, every COMMIT fails (SQLite rolls it back, as on a full disk) and
    // reports this message; changes stay pending.
    void setSaveFailure(std::optional<QString> message);

private:
    struct Change {
        QString sql;
        std::vector<SqlValue> values;
        qint64 bytes = 0;
        quint64 sequence = 0;
    };
    StoreContainer(std::shared_ptr<SqliteDatabase> db, bool inMemory, QString path);
    // Opens a write transaction and replays every pending change in it; on failure nothing
    // is left open and `error` says why.
    bool begin(QString* error);
    // Runs one change in the open transaction. A change that fails for a reason of its own
    // (not one that may pass) is dropped from the pending list with `dropped` set.
    bool apply(std::size_t index, bool* dropped, QString* error);
    bool commit(QString* error);
    // Saving failed: hold what waits in memory and show it to reads again.
    void fallBehind(const QString& error);
    // Commits what waits in batches, releasing the log's space between them.
    bool catchUp(QString* error);
    qint64 batchBytes() const;
    // Gives back the space a failed commit left in the write-ahead log.
    void releaseLog();
    void refuse(const QString& why);
    void popFront(std::size_t n);

    std::shared_ptr<SqliteDatabase> m_db;
    bool m_inMemory = false;
    QString m_path;
    std::deque<Change> m_pending;
    qint64 m_pendingBytes = 0;
    quint64 m_lastSequence = 0;
    bool m_behind = false;
    QString m_lastFailure;
    QString m_lastRefusal;
    QString m_fallbackReason;
    std::optional<QString> m_saveFailure;
};
