#pragma once

#include <QString>
#include <QtGlobal>

// How much of one clipboard content the program takes in: the data of one format (a text, an
// image, a file list) larger than `maxBytes` is never read into memory. A reader stops as soon
// as a transfer passes it, and the whole content is refused, in the history as in a slot.
struct ContentLimit {
    static constexpr qint64 maxBytes = qint64(256) * 1024 * 1024;

    // A size as people read it, in decimal units as file managers show them: "300 MB",
    // "1.5 GB", "640 kB", "12 bytes".
    static QString describe(qint64 bytes);
};
