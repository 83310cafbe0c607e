#include "StoreContainer.h"

#include "StoreFile.h"
#include "core/Log.h"

#include <QFileInfo>
#include <QStorageInfo>
#include <algorithm>

namespace {

// What a change's values hold in memory: their allocations, which may be larger than the
// bytes they carry.
qint64 sizeOf(const std::vector<SqlValue>& values) {
    qint64 bytes = 0;
    for (const SqlValue& v : values) {
        if (const auto* b = std::get_if<QByteArray>(&v)) {
            bytes += std::max(b->size(), b->capacity());
        } else if (const auto* t = std::get_if<QString>(&v)) {
            bytes += std::max(t->size(), t->capacity()) * qint64{sizeof(QChar)};
        } else {
            bytes += 8;
        }
    }
    return bytes;
}

QString megabytes(qint64 bytes) {
    return QString::number(static_cast<double>(bytes) / (1024.0 * 1024.0), 'f', 1);
}

} // namespace

StoreContainer::StoreContainer(std::shared_ptr<SqliteDatabase> db, bool inMemory, QString path)
    : m_db(std::move(db)), m_inMemory(inMemory), m_path(std::move(path)) {}

StoreContainer::~StoreContainer() = default;

std::unique_ptr<StoreContainer> StoreContainer::make(bool inMemory, std::optional<QString> path,
                                                     QString* error, bool* mayPass) {
    auto file = StoreFile::open(inMemory, std::move(path), error, mayPass);
    if (!file) {
        return nullptr;
    }
    return std::unique_ptr<StoreContainer>(new StoreContainer(
        std::shared_ptr<SqliteDatabase>(std::move(file->db)), inMemory, file->path));
}

std::unique_ptr<StoreContainer>
StoreContainer::openPrimaryOrFallback(const QString& path, int attempts,
                                      const std::function<void()>& wait) {
    QString error;
    for (int attempt = 1;; ++attempt) {
        bool mayPass = false;
        if (auto primary = make(false, path, &error, &mayPass)) {
            return primary;
        }
        if (!mayPass || attempt >= attempts) {
            break;
        }
        qCWarning(Log::app).noquote()
            << QStringLiteral("store not available yet: %1; trying again").arg(error);
        wait();
    }
    qCCritical(Log::app).noquote()
        << QStringLiteral("primary store failed: %1; falling back to in-memory").arg(error);
    QString memoryError;
    auto fallback = make(true, std::nullopt, &memoryError);
    if (fallback) {
        fallback->m_fallbackReason = error;
    }
    return fallback;
}

QString StoreContainer::notSavingReason() const {
    if (!m_fallbackReason.isEmpty()) {
        return m_fallbackReason;
    }
    return m_behind ? m_lastFailure : QString();
}

void StoreContainer::setSaveFailure(std::optional<QString> message) {
    m_saveFailure = std::move(message);
    m_db->refuseCommits(m_saveFailure.has_value());
}

qint64 StoreContainer::pendingMemory() const {
    return m_pendingBytes + m_db->cacheBytes();
}

void StoreContainer::popFront(std::size_t n) {
    for (std::size_t i = 0; i < n && !m_pending.empty(); ++i) {
        m_pendingBytes -= m_pending.front().bytes;
        m_pending.pop_front();
    }
}

void StoreContainer::discardSince(std::size_t mark) {
    if (mark >= m_pending.size()) {
        return;
    }
    while (m_pending.size() > mark) {
        m_pendingBytes -= m_pending.back().bytes;
        m_pending.pop_back();
    }
    if (m_db->inTransaction()) {
        m_db->exec(QStringLiteral("ROLLBACK"));
    }
    QString ignored;
    if (!m_pending.empty()) {
        begin(&ignored);
    }
}

void StoreContainer::refuse(const QString& why) {
    m_lastRefusal = why;
    qCCritical(Log::store).noquote() << QStringLiteral("store write refused: %1").arg(why);
}

bool StoreContainer::apply(std::size_t index, bool* dropped, QString* error) {
    *dropped = false;
    const Change& c = m_pending[index];
    if (m_db->run(c.sql, c.values)) {
        return true;
    }
    *error = m_db->errorMessage();
    if (!m_db->lastErrorMayPass()) {
        // The statement itself is at fault: replaying it would fail forever.
        m_pendingBytes -= c.bytes;
        m_pending.erase(m_pending.begin() + static_cast<std::ptrdiff_t>(index));
        *dropped = true;
    }
    return false;
}

bool StoreContainer::begin(QString* error) {
    if (!m_db->exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        *error = m_db->errorMessage();
        return false;
    }
    for (std::size_t i = 0; i < m_pending.size();) {
        bool dropped = false;
        if (apply(i, &dropped, error)) {
            ++i;
            continue;
        }
        if (dropped) {
            qCCritical(Log::store).noquote()
                << QStringLiteral("store write dropped: %1").arg(*error);
            // SQLite may have undone more than the one statement: start over without it.
            if (m_db->inTransaction()) {
                m_db->exec(QStringLiteral("ROLLBACK"));
            }
            return begin(error);
        }
        if (m_db->inTransaction()) {
            m_db->exec(QStringLiteral("ROLLBACK"));
        }
        return false;
    }
    return true;
}

bool StoreContainer::commit(QString* error) {
    if (m_db->exec(QStringLiteral("COMMIT"))) {
        return true;
    }
    *error = m_saveFailure.value_or(m_db->errorMessage());
    // SQLite rolls back a commit that failed for anything but a busy file; make sure.
    if (m_db->inTransaction()) {
        m_db->exec(QStringLiteral("ROLLBACK"));
    }
    return false;
}

void StoreContainer::releaseLog() {
    if (!m_inMemory && !m_db->inTransaction()) {
        m_db->exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    }
}

void StoreContainer::fallBehind(const QString& error) {
    const bool changed = !m_behind || error != m_lastFailure;
    m_lastFailure = error;
    if (!m_behind) {
        m_behind = true;
        // From now on the waiting changes live in memory: a spill to the full disk would
        // fail the transaction that lets reads see them.
        m_db->exec(QStringLiteral("PRAGMA cache_spill = OFF"));
    }
    if (m_db->inTransaction()) {
        m_db->exec(QStringLiteral("ROLLBACK"));
    }
    releaseLog();
    QString ignored;
    begin(&ignored);
    if (changed) {
        onSavingChanged();
    }
}

bool StoreContainer::change(const QString& sql, std::vector<SqlValue> values) {
    Change c{sql, std::move(values), 0, ++m_lastSequence};
    c.bytes = sql.size() + sizeOf(c.values);
    const quint64 sequence = c.sequence;
    if (m_behind) {
        if (m_pending.size() >= maxPendingChanges) {
            refuse(QStringLiteral("%1 unsaved changes are waiting").arg(m_pending.size()));
            return false;
        }
        // The change's statement and the pages it will dirty, both held until saved.
        if (pendingMemory() + 2 * c.bytes > maxPendingBytes) {
            refuse(QStringLiteral("%1 unsaved changes are waiting and hold %2 MB")
                       .arg(m_pending.size())
                       .arg(megabytes(pendingMemory())));
            return false;
        }
    }
    m_pending.push_back(std::move(c));
    m_pendingBytes += m_pending.back().bytes;

    QString error;
    if (!m_db->inTransaction()) {
        if (begin(&error)) { // replays every pending change, this one included
            return true;
        }
    } else {
        bool dropped = false;
        if (apply(m_pending.size() - 1, &dropped, &error)) {
            return true;
        }
        if (dropped) {
            refuse(error);
            // SQLite may have undone more than the one statement.
            if (!m_db->inTransaction()) {
                begin(&error);
            }
            return false;
        }
    }
    if (m_pending.empty() || m_pending.back().sequence != sequence) {
        refuse(error); // this change was dropped during the replay
        return false;
    }
    qCCritical(Log::store).noquote()
        << QStringLiteral("store write failed: %1; kept for the next save").arg(error);
    fallBehind(error);
    return true;
}

qint64 StoreContainer::batchBytes() const {
    // A batch passes through the log and then into the file: a quarter of the free space
    // leaves room for both and for the file system's own needs.
    const QStorageInfo storage(QFileInfo(m_path).absolutePath());
    const qint64 free = storage.isValid() ? storage.bytesAvailable() : 0;
    return std::clamp(free / 4, qint64{0}, maxBatchBytes);
}

bool StoreContainer::catchUp(QString* error) {
    if (m_db->inTransaction()) {
        m_db->exec(QStringLiteral("ROLLBACK"));
    }
    releaseLog();
    const qint64 limit = m_inMemory ? maxBatchBytes : batchBytes();
    while (!m_pending.empty()) {
        if (!m_db->exec(QStringLiteral("BEGIN IMMEDIATE"))) {
            *error = m_db->errorMessage();
            return false;
        }
        std::size_t n = 0;
        qint64 bytes = 0;
        bool ok = true;
        bool droppedOne = false;
        // At least one change, however large: the commit tells whether it fits.
        while (n < m_pending.size() && (n == 0 || bytes + m_pending[n].bytes <= limit)) {
            bool dropped = false;
            if (apply(n, &dropped, error)) {
                bytes += m_pending[n].bytes;
                ++n;
            } else {
                if (dropped) {
                    qCCritical(Log::store).noquote()
                        << QStringLiteral("store write dropped: %1").arg(*error);
                }
                droppedOne = dropped;
                ok = false;
                break;
            }
        }
        if (ok) {
            ok = commit(error);
        } else if (m_db->inTransaction()) {
            m_db->exec(QStringLiteral("ROLLBACK"));
        }
        if (!ok) {
            releaseLog();
            // A dropped change leaves the others to try again at once; anything else stops.
            if (!droppedOne) {
                return false;
            }
            continue;
        }
        popFront(n);
        releaseLog();
    }
    return true;
}

bool StoreContainer::save(QString* error) {
    if (!hasPendingChanges()) {
        return true;
    }
    if (!m_behind) {
        if (!m_db->inTransaction() && !begin(error)) {
            fallBehind(*error);
            return false;
        }
        if (commit(error)) {
            popFront(m_pending.size());
            return true;
        }
        fallBehind(*error);
        return false;
    }
    if (catchUp(error)) {
        m_behind = false;
        m_lastFailure.clear();
        m_db->exec(QStringLiteral("PRAGMA cache_spill = ON"));
        onSavingChanged();
        return true;
    }
    fallBehind(*error);
    return false;
}

bool StoreContainer::saveLogged(const QString& failurePrefix) {
    QString error;
    if (save(&error)) {
        return true;
    }
    qCCritical(Log::store).noquote() << QStringLiteral("%1: %2").arg(failurePrefix, error);
    return false;
}

StoreWrite StoreContainer::finish(bool kept, const QString& failurePrefix) {
    const QString refusal = m_lastRefusal;
    QString error;
    const bool saved = save(&error);
    if (!saved) {
        qCCritical(Log::store).noquote() << QStringLiteral("%1: %2").arg(failurePrefix, error);
    }
    if (!kept) {
        return StoreWrite::refused(refusal);
    }
    return saved ? StoreWrite::saved() : StoreWrite::pending(error);
}
