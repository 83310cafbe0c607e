#include "SqliteStatement.h"

#include <sqlite3.h>
#include <utility>

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : m_db(std::exchange(other.m_db, nullptr)), m_stmt(std::exchange(other.m_stmt, nullptr)),
      m_bound(std::move(other.m_bound)) {}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(m_stmt);
        m_db = std::exchange(other.m_db, nullptr);
        m_stmt = std::exchange(other.m_stmt, nullptr);
        m_bound = std::move(other.m_bound);
    }
    return *this;
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(m_stmt);
}

bool SqliteStatement::bind(int index, const SqlValue& value) {
    if (!m_stmt) {
        return false;
    }
    int rc = SQLITE_MISUSE;
    if (std::holds_alternative<std::nullptr_t>(value)) {
        rc = sqlite3_bind_null(m_stmt, index);
    } else if (const auto* i = std::get_if<qint64>(&value)) {
        rc = sqlite3_bind_int64(m_stmt, index, *i);
    } else if (const auto* d = std::get_if<double>(&value)) {
        rc = sqlite3_bind_double(m_stmt, index, *d);
    } else if (const auto* s = std::get_if<QString>(&value)) {
        const QByteArray& utf8 = m_bound.emplace_back(s->toUtf8());
        rc = sqlite3_bind_text64(m_stmt, index, utf8.constData(),
                                 static_cast<sqlite3_uint64>(utf8.size()), SQLITE_STATIC,
                                 SQLITE_UTF8);
    } else if (const auto* b = std::get_if<QByteArray>(&value)) {
        // Shared, not copied: nobody can change these bytes while the statement holds them.
        const QByteArray& bytes = m_bound.emplace_back(*b);
        // A zero-length blob still binds as a blob, never as NULL.
        rc = sqlite3_bind_blob64(m_stmt, index, bytes.isEmpty() ? "" : bytes.constData(),
                                 static_cast<sqlite3_uint64>(bytes.size()), SQLITE_STATIC);
    }
    return rc == SQLITE_OK;
}

SqliteStatement::Step SqliteStatement::step() {
    if (!m_stmt) {
        return Step::Error;
    }
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) {
        return Step::Row;
    }
    if (rc == SQLITE_DONE) {
        return Step::Done;
    }
    return Step::Error;
}

void SqliteStatement::reset() {
    if (m_stmt) {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    m_bound.clear();
}

bool SqliteStatement::isNull(int column) const {
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

qint64 SqliteStatement::int64(int column) const {
    return sqlite3_column_int64(m_stmt, column);
}

double SqliteStatement::real(int column) const {
    return sqlite3_column_double(m_stmt, column);
}

QString SqliteStatement::text(int column) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    const int n = sqlite3_column_bytes(m_stmt, column);
    return p ? QString::fromUtf8(p, n) : QString();
}

QByteArray SqliteStatement::blob(int column) const {
    const auto* p = static_cast<const char*>(sqlite3_column_blob(m_stmt, column));
    const int n = sqlite3_column_bytes(m_stmt, column);
    return p ? QByteArray(p, n) : QByteArray();
}
