#pragma once

#include <optional>
#include <string>

// One running program per store, whatever the environment it was started in: an exclusive
// lock (flock) on a file beside the store, held for the life of the object and released by
// the system when the process ends, however it ends. The file names the socket of the
// program that holds it, so a command started with another runtime folder still reaches it.
class StoreLock {
public:
    StoreLock() = default;
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;
    StoreLock(StoreLock&& other) noexcept;
    StoreLock& operator=(StoreLock&& other) noexcept;
    ~StoreLock();

    // The store file of this user's data folder ($XDG_DATA_HOME/Stashwick/Store.sqlite), or
    // empty when there is no data location.
    static std::string defaultStoreFile();
    // The lock's file (0600): beside the store with every link resolved, so two paths to one
    // store share one lock. Empty for an empty store path.
    static std::string lockPathFor(const std::string& storeFile);

    // Takes the lock and records `socketPath` in it; false (with `error`) when another
    // process holds it (`heldElsewhere` set) or the file cannot be made.
    bool acquire(const std::string& lockPath, const std::string& socketPath, bool* heldElsewhere,
                 std::string* error);
    // The socket of the program that holds the lock at `lockPath`, or absent when nobody does.
    static std::optional<std::string> holderSocket(const std::string& lockPath);

    bool isHeld() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};
