#include "SqliteDatabase.h"

#include <cstring>

#include <sqlite3.h>

std::unique_ptr<SqliteDatabase> SqliteDatabase::open(const QString& path, Mode mode, QString* error,
                                                     int* code) {
    int flags = SQLITE_OPEN_FULLMUTEX | SQLITE_OPEN_NOFOLLOW;
    QByteArray name = path.toUtf8();
    switch (mode) {
    case Mode::ReadWrite:
        flags |= SQLITE_OPEN_READWRITE;
        break;
    case Mode::ReadWriteCreate:
        flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        break;
    case Mode::Memory:
        flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_MEMORY;
        name = ":memory:";
        break;
    }
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(name.constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        if (code) {
            *code = db ? sqlite3_extended_errcode(db) : rc;
        }
        if (error) {
            QString reason =
                db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
            if (const int err = db ? sqlite3_system_errno(db) : 0; err != 0) {
                reason += QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(std::strerror(err)));
            }
            *error = path.isEmpty() ? reason : QStringLiteral("%1: %2").arg(path, reason);
        }
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_extended_result_codes(db, 1);
    return std::unique_ptr<SqliteDatabase>(new SqliteDatabase(db));
}

SqliteDatabase::~SqliteDatabase() {
    sqlite3_close_v2(m_db);
}

bool SqliteDatabase::exec(const QString& sql) {
    return sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

SqliteStatement SqliteDatabase::prepare(const QString& sql) {
    sqlite3_stmt* stmt = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(m_db, utf8.constData(), static_cast<int>(utf8.size()), &stmt, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(stmt);
        return SqliteStatement();
    }
    return SqliteStatement(m_db, stmt);
}

bool SqliteDatabase::run(const QString& sql, const std::vector<SqlValue>& values) {
    SqliteStatement stmt = prepare(sql);
    if (!stmt.isValid()) {
        return false;
    }
    int index = 1;
    for (const SqlValue& v : values) {
        if (!stmt.bind(index++, v)) {
            return false;
        }
    }
    return stmt.step() == SqliteStatement::Step::Done;
}

std::optional<qint64> SqliteDatabase::queryInt(const QString& sql) {
    SqliteStatement stmt = prepare(sql);
    if (stmt.step() != SqliteStatement::Step::Row) {
        return std::nullopt;
    }
    return stmt.int64(0);
}

QString SqliteDatabase::errorMessage() const {
    return QString::fromUtf8(sqlite3_errmsg(m_db));
}

int SqliteDatabase::errorCode() const {
    return sqlite3_extended_errcode(m_db);
}

bool SqliteDatabase::mayPass(int code) {
    switch (code & 0xFF) {
    case SQLITE_FULL:
    case SQLITE_IOERR:
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return true;
    default:
        return false;
    }
}

qint64 SqliteDatabase::cacheBytes() const {
    int current = 0;
    int highest = 0;
    sqlite3_db_status(m_db, SQLITE_DBSTATUS_CACHE_USED, &current, &highest, 0);
    return current;
}

bool SqliteDatabase::lastErrorMayPass() const {
    if (mayPass(errorCode())) {
        return true;
    }
    switch (errorCode() & 0xFF) {
    case SQLITE_NOMEM:
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
    case SQLITE_PROTOCOL:
        return true;
    default:
        return false;
    }
}

void SqliteDatabase::refuseCommits(bool refuse) {
    sqlite3_commit_hook(
        m_db, refuse ? [](void*) { return 1; } : static_cast<int (*)(void*)>(nullptr), nullptr);
}

bool SqliteDatabase::inTransaction() const {
    return sqlite3_get_autocommit(m_db) == 0;
}

bool SqliteDatabase::isReadOnly() const {
    return sqlite3_db_readonly(m_db, "main") == 1;
}
