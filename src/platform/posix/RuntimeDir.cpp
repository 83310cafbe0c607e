#include "RuntimeDir.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isAbsolute(const char* path) {
    return path && path[0] == '/';
}

// A folder that is this user's own and closed to others: made with 0700, or an existing
// one of ours tightened to it.
bool privateDirectory(const std::string& dir, std::string* error) {
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        *error = "cannot create " + dir + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0) {
        *error = "cannot inspect " + dir + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) {
        *error = dir + " is not a private folder of this user";
        return false;
    }
    if ((st.st_mode & 077) != 0 && ::chmod(dir.c_str(), 0700) != 0) {
        *error = dir + " is open to other users and cannot be closed: " + std::strerror(errno);
        return false;
    }
    return true;
}

// The session manager's runtime folder of this user, when it exists as one.
std::optional<std::string> sessionRuntimeFolder() {
    const std::string dir = "/run/user/" + std::to_string(::getuid());
    struct stat st {};
    if (::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
        (st.st_mode & 077) == 0) {
        return dir;
    }
    return std::nullopt;
}

std::string hostName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') {
        return "localhost";
    }
    std::string out(name);
    // A name that could reach outside the folder is not used as part of a path.
    for (char& c : out) {
        if (c == '/') {
            c = '_';
        }
    }
    return out;
}

// A folder below the user's own cache folder, each level made private as it is created.
std::optional<std::string> cacheRuntimeFolder(std::string* error) {
    std::string cache;
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); isAbsolute(xdg)) {
        cache = xdg;
    } else if (const char* home = std::getenv("HOME"); isAbsolute(home)) {
        cache = std::string(home) + "/.cache";
    } else {
        *error = "no runtime folder: neither XDG_RUNTIME_DIR nor HOME is set";
        return std::nullopt;
    }
    if (::mkdir(cache.c_str(), 0700) != 0 && errno != EEXIST) {
        *error = "cannot create " + cache + ": " + std::strerror(errno);
        return std::nullopt;
    }
    const std::string ours = cache + "/stashwick";
    if (!privateDirectory(ours, error)) {
        return std::nullopt;
    }
    return ours + "/runtime-" + hostName();
}

} // namespace

std::optional<std::string> RuntimeDir::path(std::string* error) {
    std::string ignored;
    std::string& err = error ? *error : ignored;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string dir;
    if (isAbsolute(runtime)) {
        dir = std::string(runtime) + "/stashwick";
    } else if (const auto session = sessionRuntimeFolder()) {
        dir = *session + "/stashwick";
    } else if (const auto cache = cacheRuntimeFolder(&err)) {
        dir = *cache;
    } else {
        return std::nullopt;
    }
    // A socket path must fit in sockaddr_un.
    if (socketPath(dir).size() >= 100) {
        err = "runtime folder path too long: " + dir;
        return std::nullopt;
    }
    if (!privateDirectory(dir, &err)) {
        return std::nullopt;
    }
    return dir;
}
