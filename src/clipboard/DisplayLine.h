#pragma once

#include <QString>

// Makes text from outside safe to show on one line, as the text it is: line breaks, carriage
// returns and tabs become spaces; other control characters become their visible pictures
// (U+2400…, U+FFFD for the C1 range), so nothing a label, menu or painter would act on is left;
// and the bidirectional embedding, override and isolate controls are dropped, so a copied
// right-to-left override cannot reorder what is shown after it on the same line.
class DisplayLine {
public:
    static QString clean(QString text);
    // True for the characters clean() drops.
    static bool isDropped(QChar c);
};
