#pragma once

#include <optional>
#include <string>

// The user-private folder that holds the running instance's socket and lock:
// $XDG_RUNTIME_DIR/stashwick. Without XDG_RUNTIME_DIR (a su or ssh session, a cron job) it is
// the session manager's /run/user/<uid>/stashwick when that folder is this user's, else a
// folder in the user's own cache folder ($XDG_CACHE_HOME or ~/.cache,
// stashwick/runtime-<host>): never a name in a shared folder that another user could take
// first. Created with mode 0700; an existing folder is used only when it is a real directory
// (not a link) owned by this user; one left open to others is closed first.
class RuntimeDir {
public:
    static std::optional<std::string> path(std::string* error);
    static std::string socketPath(const std::string& dir) { return dir + "/instance.sock"; }
    static std::string lockPath(const std::string& dir) { return dir + "/instance.lock"; }
};
