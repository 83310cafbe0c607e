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

    QString file = path.value_or(AppPaths::storeFile());
    QFileInfo info(file);
    if (info.isSymLink()) {
        // Users keep their data in synced folders through a link: open the file it names
        // (its journal and log then sit beside it), but never create a missing target.
        const QString target = info.canonicalFilePath();
        if (target.isEmpty()) {
            err = QStringLiteral("%1 links to %2, which does not exist")
                      .arg(file, info.symLinkTarget());
            return nullptr;
        }
        file = target;
        info = QFileInfo(file);
    }
    std::unique_ptr<SqliteDatabase> db;
    if (info.exists()) {
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

bool StoreContainer::begin(QString* error) {
    if (!m_db->exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        *error = m_db->errorMessage();
        return false;
    }
    for (const Change& c : m_pending) {
        if (!m_db->run(c.sql, c.values)) {
            *error = m_db->errorMessage();
            m_db->exec(QStringLiteral("ROLLBACK"));
            return false;
        }
    }
    return true;
}

bool StoreContainer::change(const QString& sql, std::vector<SqlValue> values) {
    qint64 bytes = sql.size();
    for (const SqlValue& v : values) {
        if (const auto* b = std::get_if<QByteArray>(&v)) {
            bytes += b->size();
        } else if (const auto* t = std::get_if<QString>(&v)) {
            bytes += t->size() * 2;
        }
    }
    if (!m_pending.empty() &&
        (m_pending.size() >= maxPendingChanges || m_pendingBytes + bytes > maxPendingBytes)) {
        qCCritical(Log::store).noquote()
            << QStringLiteral("store write refused: %1 unsaved changes are waiting")
                   .arg(m_pending.size());
        return false;
    }
    m_pending.push_back(Change{sql, std::move(values)});
    m_pendingBytes += bytes;

    QString error;
    if (!m_db->inTransaction()) {
        return begin(&error); // replays every pending change, this one included
    }
    if (m_db->run(m_pending.back().sql, m_pending.back().values)) {
        return true;
    }
    qCCritical(Log::store).noquote()
        << QStringLiteral("store write failed: %1; kept for the next save")
               .arg(m_db->errorMessage());
    // SQLite may have undone the statement or the whole transaction. Start over so that the
    // open transaction, when there is one, holds every pending change in order.
    if (m_db->inTransaction()) {
        m_db->exec(QStringLiteral("ROLLBACK"));
    }
    return begin(&error);
}

bool StoreContainer::save(QString* error) {
    if (m_saveFailure) {
        *error = *m_saveFailure;
        return false;
    }
    if (!hasPendingChanges()) {
        return true;
    }
    if (!m_db->inTransaction() && !begin(error)) {
        return false;
    }
    if (!m_db->exec(QStringLiteral("COMMIT"))) {
        *error = m_db->errorMessage();
        // Keep the changes visible and pending; should SQLite have rolled back, replay them.
        if (!m_db->inTransaction()) {
            QString ignored;
            begin(&ignored);
        }
        return false;
    }
    m_pending.clear();
    m_pendingBytes = 0;
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
