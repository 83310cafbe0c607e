#pragma once

#include <QtGlobal>

// Bytes read piece by piece rather than held in memory: a stored row read through SQLite's
// incremental blob I/O, say. Offsets are in the source's own coordinates.
class ByteSource {
public:
    virtual ~ByteSource() = default;

    virtual qint64 size() const = 0;
    // Copies `length` bytes from `offset` into `out`; false when they cannot all be read.
    virtual bool read(qint64 offset, qint64 length, char* out) const = 0;
};
