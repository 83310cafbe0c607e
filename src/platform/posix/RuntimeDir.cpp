#include "RuntimeDir.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid() || (st.st_mode & 077) != 0) {
        *error = dir + " is not a private folder of this user";
        return false;
    }
    return true;
}

} // namespace

std::optional<std::string> RuntimeDir::path(std::string* error) {
    std::string ignored;
    std::string& err = error ? *error : ignored;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string dir;
    if (runtime && runtime[0] == '/') {
        dir = std::string(runtime) + "/stashwick";
    } else {
        dir = "/tmp/stashwick-" + std::to_string(::getuid());
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
