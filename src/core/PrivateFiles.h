#pragma once

#include <QString>

// Keeps what Stashwick writes to its user alone, whatever the umask: its folders 0700 and its
// files 0600. A folder or file that an earlier version (or a loose umask) left open to others is
// tightened, with one log line saying what changed; one that is already private is left alone,
// so calling these again costs a stat and logs nothing.
class PrivateFiles {
public:
    // Creates `folder` (and any missing parents) and makes `folder` itself 0700. False, with
    // the reason in `error`, when it cannot be created or is not a folder.
    static bool ensureFolder(const QString& folder, QString* error = nullptr);
    // Takes group and other permissions away from an existing file (following a link to the
    // file it names). A missing file is fine; false only when a present one cannot be changed.
    // `isNew`: the file was just made with the umask's mode, nothing to report.
    static bool tightenFile(const QString& file, bool isNew = false);
    // Creates `file` empty and 0600 when it does not exist, else tightens it: a writer that
    // keeps a file's permissions (QSettings) then keeps it private.
    static bool ensureFile(const QString& file);
};
