#pragma once

#include "SqliteStatement.h"

#include <QString>
#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;

// An open SQLite connection; closed when it goes out of scope.
class SqliteDatabase {
public:
    enum class Mode { ReadWrite, ReadWriteCreate, Memory };

    // Opens the database; on failure returns nullptr and sets `error` (and `code`, SQLite's
    // extended result code, when given).
    static std::unique_ptr<SqliteDatabase> open(const QString& path, Mode mode, QString* error,
                                                int* code = nullptr);
    // Whether a failure with this result code may pass by itself (a full disk, an I/O error,
    // a busy file).
    static bool mayPass(int code);

    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;
    ~SqliteDatabase();

    // Runs one or more statements without results.
    bool exec(const QString& sql);
    // Prepares one statement; an invalid statement on failure (see errorMessage()).
    SqliteStatement prepare(const QString& sql);
    // Prepares, binds and runs one statement that returns no rows.
    bool run(const QString& sql, const std::vector<SqlValue>& values);
    // The first column of the first row of a query, as an integer.
    std::optional<qint64> queryInt(const QString& sql);

    QString errorMessage() const;
    // The extended result code of the last failed call.
    int errorCode() const;
    // Whether the last failure of a write may pass by itself (a full disk, an I/O error, a
    // busy or read-only file, no memory) rather than being a fault of the statement.
    bool lastErrorMayPass() const;
    // Memory held by this connection's page cache, in bytes.
    qint64 cacheBytes() const;
    bool inTransaction() const;
    // While set, every COMMIT fails and SQLite rolls the transaction back, as it does when the
    // disk fills up under a commit.
    void refuseCommits(bool refuse);
    bool isReadOnly() const;
    sqlite3* handle() const { return m_db; }

private:
    explicit SqliteDatabase(sqlite3* db) : m_db(db) {}
    sqlite3* m_db = nullptr;
};
