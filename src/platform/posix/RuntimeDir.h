#pragma once

#include <optional>
#include <string>

// The user-private folder that holds the running instance's socket and lock:
// $XDG_RUNTIME_DIR/stashwick, or /tmp/stashwick-<uid> when XDG_RUNTIME_DIR is not set.
// Created with mode 0700; an existing folder is used only when it is a real directory
// (not a link) owned by this user and closed to everyone else.
class RuntimeDir {
public:
    static std::optional<std::string> path(std::string* error);
    static std::string socketPath(const std::string& dir) { return dir + "/instance.sock"; }
    static std::string lockPath(const std::string& dir) { return dir + "/instance.lock"; }
};
