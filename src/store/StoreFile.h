#pragma once

#include "SqliteDatabase.h"

#include <QString>
#include <memory>
#include <optional>

// The store's database opened and checked: an SQLite file ("Store.sqlite", WAL journal) that is
// a usable Stashwick store, or a database in memory, with its schema and settings in place.
struct StoreFile {
    std::unique_ptr<SqliteDatabase> db;
    // The file with every link in its path resolved; empty in memory.
    QString path;

    // Opens a store in memory, or in the file at `path` (the data folder's "Store.sqlite"
    // when absent). Links anywhere in the path are followed. A file that exists but is not a
    // usable Stashwick store (not SQLite, a foreign database, a newer schema, read-only) is
    // refused without being written to. `mayPass` tells whether the failure may go away by
    // itself (a full disk, an I/O error, a busy file).
    static std::optional<StoreFile> open(bool inMemory, std::optional<QString> path, QString* error,
                                         bool* mayPass = nullptr);
};
