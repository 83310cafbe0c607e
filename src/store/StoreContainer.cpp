#include "StoreContainer.h"

#include "StoreSchema.h"
#include "core/AppPaths.h"
#include "core/Log.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool configure(SqliteDatabase& db, bool inMemory, QString* error) {
    db.exec(QStringLiteral("PRAGMA busy_timeout = 250"));
    if (!inMemory) {
        SqliteStatement wal = db.prepare(QStringLiteral("PRAGMA journal_mode = WAL"));
        if (wal.step() != SqliteStatement::Step::Row ||
            wal.text(0).compare(QStringLiteral("wal"), Qt::CaseInsensitive) != 0) {
            *error = QStringLiteral("cannot use a write-ahead log: %1").arg(db.errorMessage());
            return false;
        }
        // FULL: a commit that returned is on disk, whatever happens to the process after.
        db.exec(QStringLiteral("PRAGMA synchronous = FULL"));
    }
    return true;
}

} // namespace

StoreContainer::StoreContainer(std::shared_ptr<SqliteDatabase> db, bool inMemory, QString path)
    : m_db(std::move(db)), m_inMemory(inMemory), m_path(std::move(path)) {}

StoreContainer::~StoreContainer() = default;

std::unique_ptr<StoreContainer> StoreContainer::make(bool inMemory, std::optional<QString> path,
                                                     QString* error) {
    QString ignored;
    QString& err = error ? *error : ignored;
    if (inMemory) {
        auto db = SqliteDatabase::open(QString(), SqliteDatabase::Mode::Memory, &err);
        if (!db || !StoreSchema::create(*db, &err) || !configure(*db, true, &err)) {
            return nullptr;
        }
        return std::unique_ptr<StoreContainer>(
            new StoreContainer(std::shared_ptr<SqliteDatabase>(std::move(db)), true, QString()));
    }

    const QString file = path.value_or(AppPaths::storeFile());
    const QFileInfo info(file);
    std::unique_ptr<SqliteDatabase> db;
    if (info.exists() || info.isSymLink()) {
        if (!info.isFile()) {
            err = QStringLiteral("%1 is not a regular file").arg(file);
            return nullptr;
        }
        // Never create or truncate here: an existing file is only opened.
        db = SqliteDatabase::open(file, SqliteDatabase::Mode::ReadWrite, &err);
    } else {
        QDir().mkpath(info.absolutePath());
        db = SqliteDatabase::open(file, SqliteDatabase::Mode::ReadWriteCreate, &err);
    }
    if (!db) {
        return nullptr;
    }
    if (db->isReadOnly()) {
        err = QStringLiteral("%1 is read-only").arg(file);
        return nullptr;
    }
    bool isEmpty = false;
    if (!StoreSchema::verify(*db, &isEmpty, &err)) {
        return nullptr;
    }
    // A new store gets its schema (and page size) before the switch to the write-ahead log.
    if (isEmpty && !StoreSchema::create(*db, &err)) {
        return nullptr;
    }
    if (!configure(*db, false, &err)) {
        return nullptr;
    }
    if (!isEmpty && !StoreSchema::ensureIndexes(*db)) {
        err = db->errorMessage();
        return nullptr;
    }
    return std::unique_ptr<StoreContainer>(
        new StoreContainer(std::shared_ptr<SqliteDatabase>(std::move(db)), false, file));
}

std::unique_ptr<StoreContainer> StoreContainer::openPrimaryOrFallback(const QString& path) {
    QString error;
    if (auto primary = make(false, path, &error)) {
        return primary;
    }
    qCCritical(Log::app).noquote()
        << QStringLiteral("primary store failed: %1; falling back to in-memory").arg(error);
    return make(true, std::nullopt, &error);
}

bool StoreContainer::ensureTransaction() {
    if (m_db->inTransaction()) {
        return true;
    }
    if (!m_db->exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        return false;
    }
    // A failed commit that SQLite rolled back: put the pending changes back in place.
    for (const Change& c : m_pending) {
        if (!m_db->run(c.sql, c.values)) {
            m_db->exec(QStringLiteral("ROLLBACK"));
            return false;
        }
    }
    return true;
}

bool StoreContainer::change(const QString& sql, std::vector<SqlValue> values) {
    if (!ensureTransaction()) {
        // Kept for the next attempt; save() will replay it.
        m_pending.push_back(Change{sql, std::move(values)});
        return false;
    }
    if (!m_db->run(sql, values)) {
        qCCritical(Log::store).noquote()
            << QStringLiteral("store write failed: %1").arg(m_db->errorMessage());
        return false;
    }
    m_pending.push_back(Change{sql, std::move(values)});
    return true;
}

bool StoreContainer::save(QString* error) {
    if (m_saveFailure) {
        *error = *m_saveFailure;
        return false;
    }
    if (!hasPendingChanges()) {
        return true;
    }
    if (!ensureTransaction()) {
        *error = m_db->errorMessage();
        return false;
    }
    if (!m_db->exec(QStringLiteral("COMMIT"))) {
        *error = m_db->errorMessage();
        ensureTransaction(); // keep the changes visible and pending
        return false;
    }
    m_pending.clear();
    return true;
}

bool StoreContainer::saveLogged(const QString& failurePrefix) {
    QString error;
    if (save(&error)) {
        return true;
    }
    qCCritical(Log::store).noquote() << QStringLiteral("%1: %2").arg(failurePrefix, error);
    return false;
}
