#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// One value bound to a statement parameter.
using SqlValue = std::variant<std::nullptr_t, qint64, double, QString, QByteArray>;

// A prepared statement; finalised when it goes out of scope.
class SqliteStatement {
public:
    enum class Step { Row, Done, Error };

    SqliteStatement() = default;
    SqliteStatement(sqlite3* db, sqlite3_stmt* stmt) : m_db(db), m_stmt(stmt) {}
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;
    ~SqliteStatement();

    bool isValid() const { return m_stmt != nullptr; }

    // Parameters are numbered from 1. Texts and blobs are not copied: the statement keeps a
    // shared reference to the bytes (a text's UTF-8) until it is reset or finalised, and SQLite
    // reads them in place, so that a large item is not held once more while it is written.
    bool bind(int index, const SqlValue& value);
    Step step();
    void reset();

    bool isNull(int column) const;
    qint64 int64(int column) const;
    double real(int column) const;
    QString text(int column) const;
    QByteArray blob(int column) const;

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
    // The bytes bound as texts and blobs, alive as long as SQLite may read them.
    std::vector<QByteArray> m_bound;
};
