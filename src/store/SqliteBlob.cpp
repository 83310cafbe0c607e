#include "SqliteBlob.h"

#include "SqliteDatabase.h"

#include <limits>
#include <sqlite3.h>
#include <utility>

std::optional<SqliteBlob> SqliteBlob::open(SqliteDatabase& db, const QString& table,
                                           const QString& column, qint64 rowid) {
    sqlite3_blob* blob = nullptr;
    const int rc = sqlite3_blob_open(db.handle(), "main", table.toUtf8().constData(),
                                     column.toUtf8().constData(), rowid, 0, &blob);
    if (rc != SQLITE_OK) {
        // A handle may come back even on failure; it is closed all the same.
        sqlite3_blob_close(blob);
        return std::nullopt;
    }
    return SqliteBlob(blob);
}

SqliteBlob::SqliteBlob(SqliteBlob&& other) noexcept
    : m_blob(std::exchange(other.m_blob, nullptr)) {}

SqliteBlob& SqliteBlob::operator=(SqliteBlob&& other) noexcept {
    if (this != &other) {
        sqlite3_blob_close(m_blob);
        m_blob = std::exchange(other.m_blob, nullptr);
    }
    return *this;
}

SqliteBlob::~SqliteBlob() {
    sqlite3_blob_close(m_blob);
}

qint64 SqliteBlob::size() const {
    return m_blob ? sqlite3_blob_bytes(m_blob) : 0;
}

bool SqliteBlob::read(qint64 offset, qint64 length, char* out) const {
    if (!m_blob || offset < 0 || length < 0 || length > std::numeric_limits<int>::max() ||
        offset > size() - length) {
        return false;
    }
    return length == 0 || sqlite3_blob_read(m_blob, out, static_cast<int>(length),
                                            static_cast<int>(offset)) == SQLITE_OK;
}
