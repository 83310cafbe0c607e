#pragma once

#include "core/Instant.h"

#include <QLocale>
#include <QMap>
#include <QString>
#include <optional>

class ClipboardAccess;
class SlotStore;

// Expands the placeholders of a snippet body: {clipboard}, {slot0}..{slot9}, {date} and
// {time}, in that fixed order of passes (text inserted by a pass is expanded by later passes
// only).
class SnippetExpander {
public:
    static QString expand(const QString& body, const std::optional<QString>& clipboard,
                          const QMap<int, QString>& slots, Instant now,
                          const QLocale& locale = QLocale());

    // A medium date without time ("Dec 5, 2026" in US English) and a short time without
    // date ("9:41 PM"), in `locale` and the local time zone.
    static QString mediumDate(Instant when, const QLocale& locale);
    static QString shortTime(Instant when, const QLocale& locale);

    // Using a snippet: expands `body` with the slots' texts, the clipboard's text and the
    // time `now`, and writes the result to the clipboard as a new plain-text item.
    static QString use(const QString& body, const SlotStore& slots, ClipboardAccess& clipboard,
                       Instant now, const QLocale& locale = QLocale());
};
