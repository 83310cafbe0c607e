#pragma once

#include "Oversize.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// The read half of a selection that another program owns, read by the windowing system's own
// means where QClipboard's reading falls short (a transfer it gives up on while data still
// arrives, a request it never repeats). A stalled or oversize content is not asked for again
// until it changes.
class ForeignSelection {
public:
    virtual ~ForeignSelection() = default;

    // True when another program owns the selection now; its content is then read here.
    virtual bool ownedElsewhere() = 0;
    // The content was replaced (the same owner may offer new content).
    virtual void contentChanged() = 0;
    virtual bool isStalled() const = 0;
    virtual std::optional<Oversize> oversize() const = 0;

    virtual std::optional<QStringList> types() = 0;
    virtual std::optional<QByteArray> data(const QString& type) = 0;
    virtual std::optional<QString> string(const QString& type) = 0;
    // The first image that decodes, as TIFF.
    virtual std::optional<QByteArray> firstImageTiff() = 0;
};
