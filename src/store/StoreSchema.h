#pragma once

#include <QString>

class SqliteDatabase;

// The tables and indexes of "Store.sqlite" (schema version 1), and the checks that tell
// a usable store from anything else.
class StoreSchema {
public:
    // Creates every table and index of a new, empty database and records the version.
    static bool create(SqliteDatabase& db, QString* error);
    // Checks an existing database. Returns true when it is a Stashwick store of this
    // version; sets `isEmpty` when it holds no schema at all (a new or zero-length file).
    static bool verify(SqliteDatabase& db, bool* isEmpty, QString* error);
    // Indexes and derived tables (kept by triggers); created when missing at every open,
    // inside the caller's transaction.
    static bool ensureIndexes(SqliteDatabase& db);
};
