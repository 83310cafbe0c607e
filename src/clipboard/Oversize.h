#pragma once

#include <QString>
#include <QtGlobal>

// Clipboard content refused for its size: one of its formats held `bytes` (more than that when
// `atLeast`: the reader stopped before it learnt the whole size), over ContentLimit::maxBytes.
// None of it was kept.
struct Oversize {
    qint64 bytes = 0;
    bool atLeast = false;

    // "300 MB", or "more than 268 MB".
    QString describe() const;

    friend bool operator==(const Oversize&, const Oversize&) = default;
};
