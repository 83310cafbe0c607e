#pragma once

#include <QString>
#include <QtGlobal>

// How much of one clipboard content the program takes in: the data of one format (a text, an
// image, a file list) larger than `maxBytes` is never read into memory. A reader stops as soon
// as a transfer passes it, and the whole content is refused, in the history as in a slot.
struct ContentLimit {
    static constexpr qint64 maxBytes = qint64(256) * 1024 * 1024;
    // A transfer that does not announce its size (xclip's do not, a pipe cannot) is held in
    // memory up to this much only. Past it, it is counted to its end without being kept, and
    // read again, kept whole, only once it is known to be within `maxBytes`: content over the
    // limit never costs more memory than this.
    static constexpr qint64 unsizedHoldBytes = qint64(64) * 1024 * 1024;

    // A size as people read it, in decimal units as file managers show them: "300 MB",
    // "1.5 GB", "640 kB", "12 bytes".
    static QString describe(qint64 bytes);
};
