#include "StoreFile.h"

#include "SqliteTransaction.h"
#include "StoreSchema.h"
#include "core/AppPaths.h"
#include "core/PrivateFiles.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool configure(SqliteDatabase& db, bool inMemory, QString* error) {
    db.exec(QStringLiteral("PRAGMA busy_timeout = 250"));
    // What is deleted (an entry pushed out of the history, a cleared slot, a snippet) is
    // overwritten with zeros, not left readable in the file's free pages.
    db.exec(QStringLiteral("PRAGMA secure_delete = ON"));
    // Sorts and temporary indexes never need the disk.
    db.exec(QStringLiteral("PRAGMA temp_store = MEMORY"));
    if (!inMemory) {
        {
            SqliteStatement wal = db.prepare(QStringLiteral("PRAGMA journal_mode = WAL"));
            if (wal.step() != SqliteStatement::Step::Row ||
                wal.text(0).compare(QStringLiteral("wal"), Qt::CaseInsensitive) != 0) {
                *error = QStringLiteral("cannot use a write-ahead log: %1").arg(db.errorMessage());
                return false;
            }
        } // finished here, so that the read below is one of its own
        // FULL: a commit that returned is on disk, whatever happens to the process after.
        db.exec(QStringLiteral("PRAGMA synchronous = FULL"));
        // The log shrinks back after a large transaction instead of keeping its size.
        db.exec(QStringLiteral("PRAGMA journal_size_limit = 4194304"));
        // A first read sizes the log's shared index now, while there may still be room for
        // it: without it no transaction, not even a read, can start on a full disk.
        if (!db.queryInt(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
            *error = db.errorMessage();
            return false;
        }
    }
    return true;
}

// The store file with every link in its path resolved, so that a data folder reached
// through a link works like a plain one. Empty, with `error` set, when a link names nothing;
// a missing target is never created.
QString resolvedStorePath(const QString& file, QString* error) {
    const QFileInfo info(file);
    if (info.exists()) {
        return info.canonicalFilePath();
    }
    if (info.isSymLink()) {
        *error =
            QStringLiteral("%1 links to %2, which does not exist").arg(file, info.symLinkTarget());
        return QString();
    }
    const QString folder = info.absolutePath();
    QDir().mkpath(folder);
    const QString realFolder = QFileInfo(folder).canonicalFilePath();
    if (realFolder.isEmpty() || !QFileInfo(realFolder).isDir()) {
        *error = QStringLiteral("%1: the folder cannot be created").arg(folder);
        return QString();
    }
    return QDir(realFolder).filePath(info.fileName());
}

} // namespace

std::optional<StoreFile> StoreFile::open(bool inMemory, std::optional<QString> path, QString* error,
                                         bool* mayPass) {
    QString ignored;
    QString& err = error ? *error : ignored;
    bool passIgnored = false;
    bool& passing = mayPass ? *mayPass : passIgnored;
    passing = false;
    if (inMemory) {
        auto db = SqliteDatabase::open(QString(), SqliteDatabase::Mode::Memory, &err);
        if (!db || !StoreSchema::create(*db, &err) || !configure(*db, true, &err)) {
            return std::nullopt;
        }
        return StoreFile{std::move(db), QString()};
    }

    const QString named = path.value_or(AppPaths::storeFile());
    if (named.isEmpty()) {
        err =
            QStringLiteral("no folder for Stashwick's data: neither XDG_DATA_HOME nor HOME is set");
        return std::nullopt;
    }
    const QString file = resolvedStorePath(named, &err);
    if (file.isEmpty()) {
        return std::nullopt;
    }
    // The store and its journals are the user's alone, also when an earlier version or a loose
    // umask left them open; the write-ahead log and its index take the store file's mode.
    for (const QString& suffix :
         {QString(), QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")}) {
        PrivateFiles::tightenFile(file + suffix);
    }
    const QFileInfo info(file);
    std::unique_ptr<SqliteDatabase> db;
    int code = 0;
    if (info.exists()) {
        if (!info.isFile()) {
            err = QStringLiteral("%1 is not a regular file").arg(file);
            return std::nullopt;
        }
        // Never create or truncate here: an existing file is only opened.
        db = SqliteDatabase::open(file, SqliteDatabase::Mode::ReadWrite, &err, &code);
    } else {
        db = SqliteDatabase::open(file, SqliteDatabase::Mode::ReadWriteCreate, &err, &code);
        // Made with the umask's mode; closed to others before anything is written to it.
        if (db) {
            PrivateFiles::tightenFile(file, true);
        }
    }
    if (!db) {
        passing = SqliteDatabase::mayPass(code);
        return std::nullopt;
    }
    const auto failed = [&](const QString& why) -> std::optional<StoreFile> {
        err = why;
        passing = SqliteDatabase::mayPass(db->errorCode());
        return std::nullopt;
    };
    if (db->isReadOnly()) {
        return failed(QStringLiteral("%1 is read-only").arg(file));
    }
    bool isEmpty = false;
    if (!StoreSchema::verify(*db, &isEmpty, &err)) {
        return failed(err);
    }
    // A new store gets its schema (and page size) before the switch to the write-ahead log.
    if (isEmpty && !StoreSchema::create(*db, &err)) {
        return failed(err);
    }
    if (!configure(*db, false, &err)) {
        return failed(err);
    }
    if (!isEmpty) {
        // All or nothing: a crash in between leaves the store as it was.
        SqliteTransaction tx(*db);
        if (!tx.isActive() || !StoreSchema::ensureIndexes(*db) || !tx.commit()) {
            return failed(
                QStringLiteral("cannot update the store's indexes: %1").arg(db->errorMessage()));
        }
    }
    return StoreFile{std::move(db), file};
}
