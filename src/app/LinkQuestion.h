#pragma once

#include <QString>

// What the user is asked about a link from another program.
struct LinkQuestion {
    // What the link would do, in plain words ("A link asks Stashwick to …").
    QString sentence;
    // The link itself, bounded, as text.
    QString url;
    // How many more links wait behind this one.
    int othersWaiting = 0;
};
