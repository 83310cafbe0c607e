#pragma once

#include <QByteArrayView>
#include <QString>

// Replaces a file's content as a whole. The bytes go to a new file beside it, which is
// written in full, synced to disk and closed, and only then renamed over the file; every one
// of those steps is checked. On any failure the new file is removed, the previous file (if
// any) is left byte for byte as it was, and `error` says why. A link is followed: the file
// it names is replaced, the link stays.
class AtomicFile {
public:
    static bool write(const QString& path, QByteArrayView bytes, QString* error = nullptr);
};
