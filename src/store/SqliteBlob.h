#pragma once

#include "clipboard/ByteSource.h"

#include <QString>
#include <optional>

class SqliteDatabase;
struct sqlite3_blob;

// One BLOB cell opened for reading with SQLite's incremental I/O: pieces of it are read
// without loading the whole value. Closed when it goes out of scope; read it only while
// nothing writes to its row (a changed row makes every read fail).
class SqliteBlob : public ByteSource {
public:
    // The cell of `column` in the row `rowid` of `table`; absent when there is none (no such
    // row, or a value that is not a BLOB).
    static std::optional<SqliteBlob> open(SqliteDatabase& db, const QString& table,
                                          const QString& column, qint64 rowid);

    SqliteBlob(const SqliteBlob&) = delete;
    SqliteBlob& operator=(const SqliteBlob&) = delete;
    SqliteBlob(SqliteBlob&& other) noexcept;
    SqliteBlob& operator=(SqliteBlob&& other) noexcept;
    ~SqliteBlob() override;

    qint64 size() const override;
    bool read(qint64 offset, qint64 length, char* out) const override;

private:
    explicit SqliteBlob(sqlite3_blob* blob) : m_blob(blob) {}
    sqlite3_blob* m_blob = nullptr;
};
