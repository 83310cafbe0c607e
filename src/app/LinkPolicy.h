#pragma once

#include "AutomationUrl.h"

#include <QString>
#include <QStringList>

// What a stashwick: link opened by another program (a web page through the browser, say) may
// do unasked. Links that only show something run at once; every other action first asks the
// user, in the words of this table. Actions the table does not know are refused: a new
// action stays out of reach of links until it has a row here.
class LinkPolicy {
public:
    enum class Handling { AtOnce, Ask, Refuse };

    // Longest argument shown in a question, in characters (then "…").
    static constexpr qsizetype shownArgumentLimit = 80;

    static Handling handling(const AutomationUrl& url);
    // Whether carrying it out presses keys in the window in front (copy or paste).
    static bool pressesKeys(const AutomationUrl& url);
    // The question's sentence for an action that asks: what the link would do, in plain
    // words, its arguments as bounded text ("A link asks Stashwick to paste slot 3 into the
    // window in front"). Empty for the others.
    static QString describe(const AutomationUrl& url);
    // Every action the table knows.
    static QStringList actions();

    // Text from outside made fit to show: line breaks and tabs as visible marks, invisible
    // formatting characters (direction overrides among them) dropped, at most `limit`
    // characters, then "…".
    static QString shown(const QString& text, qsizetype limit = shownArgumentLimit);
};
