#pragma once

#include "Blob.h"
#include "ClipboardKind.h"
#include "core/Instant.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// One clipboard content with its flavours. A plain value.
struct ClipboardItem {
    ClipboardKind kind = ClipboardKind::Empty;
    std::optional<QString> text;
    std::optional<QByteArray> rtf;
    std::optional<QString> html;
    std::optional<Blob> imagePNG;
    QStringList files;
    Instant createdAt;
    std::optional<QString> sourceBundleID;

    // The one-line text that lists, tiles, the HUD, search and statistics show, cleaned for
    // display (DisplayLine) and trimmed.
    QString preview() const;
    // The preview cut after `maxChars` characters, with "…" (U+2026) in place of the rest;
    // the whole preview when it is no longer. Worked out from the start of the content only,
    // so a huge text costs no more than the characters kept.
    QString boundedPreview(qsizetype maxChars) const;
    // A preview kept elsewhere (the statistics keep theirs, perhaps from an older version) cut
    // the way boundedPreview cuts, and cleaned for display.
    static QString cutPreview(QStringView preview, qsizetype maxChars);
    // Same kind and flavours; createdAt and sourceBundleID do not count.
    bool sameContent(const ClipboardItem& other) const;

    friend bool operator==(const ClipboardItem&, const ClipboardItem&) = default;

    static ClipboardItem makeText(const QString& text, Instant createdAt = Instant());
};
