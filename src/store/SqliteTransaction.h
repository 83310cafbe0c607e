#pragma once

class SqliteDatabase;

// BEGIN on construction; ROLLBACK on destruction unless commit() succeeded.
class SqliteTransaction {
public:
    explicit SqliteTransaction(SqliteDatabase& db);
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;
    ~SqliteTransaction();

    bool isActive() const { return m_active; }
    bool commit();

private:
    SqliteDatabase& m_db;
    bool m_active = false;
};
