#pragma once

#include <QString>
#include <functional>

// Checks whether a newer release exists, on demand.
class UpdateChecking {
public:
    struct Result {
        enum class Kind { NewerAvailable, UpToDate, NoFeed, Failed };
        Kind kind = Kind::Failed;
        QString version; // the newest version found
        QString link;    // where to get it
        QString message; // one line for the user
    };

    virtual ~UpdateChecking() = default;
    virtual void checkForUpdates() = 0;

    std::function<void(const Result&)> onResult = [](const Result&) {};
};
