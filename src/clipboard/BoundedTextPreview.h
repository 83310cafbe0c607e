#pragma once

#include <QString>
#include <QStringView>

// The preview of a text, cut after `maxChars` characters with "…" (U+2026), worked out from
// the text's pieces in order: blanks at both ends are dropped and the rest is cleaned for
// display on one line (DisplayLine), as in the full preview. It keeps at most `maxChars` characters
// and stops wanting pieces as soon as the result is settled, so a text of any size costs no more
// than its start (and any run of blanks before it or after the kept characters).
class BoundedTextPreview {
public:
    explicit BoundedTextPreview(qsizetype maxChars);

    // Takes the next piece of the text; false once later pieces can no longer change the
    // result.
    bool add(QStringView piece);
    // The preview of the pieces added so far, taken as the whole text.
    QString result() const;

private:
    qsizetype m_maxChars;
    bool m_started = false; // a character other than a blank has been seen
    bool m_cut = false;     // more than m_maxChars characters follow the leading blanks
    QString m_kept;
};
