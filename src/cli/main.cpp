// The stashwick command. Without arguments it runs the program (or reports that it already
// runs); with stashwick:// URLs it hands each to the running program, starting one in the
// background first when none runs, and exits with whether every URL was handled. After
// --open-url the URLs are links that another program opened (the desktop entry's form): the
// program asks the user before it carries out anything but showing itself.
//
// This executable links no Qt: the program itself lives in the stashwick-app module, loaded
// only when this process is to become the running instance. That keeps the URL path to a
// process start, a connect and two small messages.
#include "InstanceClient.h"
#include "app/ipc/InstanceFrame.h"
#include "platform/posix/RuntimeDir.h"
#include "platform/posix/StoreLock.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int exitRefused = 1;
constexpr int exitUnreachable = 2;
constexpr int exitNothingDone = 3;
// An unknown option: the usual status of a command-line mistake.
constexpr int exitUsage = 2;
// What the module returns when another instance already holds the lock.
constexpr int exitAlreadyRunning = 3;

const char* const usage =
    "Usage: stashwick [URL...]\n"
    "       stashwick --open-url [URL...]\n"
    "\n"
    "Stashwick keeps ten numbered clipboard slots, a clipboard history, snippets and usage\n"
    "statistics. Without arguments this starts the program (nothing more if it already runs).\n"
    "With stashwick:// URLs it hands each, in order, to the running program, starting it in\n"
    "the background when needed, and the program carries it out: the form for scripts and\n"
    "key bindings.\n"
    "\n"
    "With --open-url the URLs are links opened in another program (the desktop entry hands\n"
    "links over this way; a web page can make a browser open one). Links that only show\n"
    "something run at once: summon, show-tab, next-tab, prev-tab, dump, reload-hotkeys.\n"
    "For any other, Stashwick first shows a small dialog that says what the link would do,\n"
    "and carries it out only when you allow it; Deny, closing the dialog or no answer\n"
    "within 60 seconds does nothing. The command does not wait for your answer.\n"
    "\n"
    "Examples:\n"
    "  stashwick 'stashwick://capture-to-slot/3'\n"
    "  stashwick 'stashwick://copy-to-slot/3'\n"
    "  stashwick 'stashwick://paste-slot/3'\n"
    "  stashwick 'stashwick://add-snippet/Greeting/Hello%20{clipboard}'\n"
    "  stashwick 'stashwick://dump'\n"
    "\n"
    "After every command the program writes its state to\n"
    "$XDG_DATA_HOME/Stashwick/state.json (normally ~/.local/share/Stashwick/state.json).\n"
    "\n"
    "Exit status:\n"
    "  0  every URL did what it names\n"
    "  1  a URL was refused (not a stashwick: URL, malformed, too long, unknown action),\n"
    "     or a link was refused because 16 links already wait for your answer\n"
    "  2  the program could not be reached or started, or an unknown option was given\n"
    "  3  a URL was understood but had nothing to act on (an empty slot or clipboard,\n"
    "     a number out of range), or its change is not saved (\"not saved yet\": it\n"
    "     waits for the next save that succeeds); state.json is written all the same;\n"
    "     or a link waits for you to allow it in Stashwick\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help\n"
    "  -v, --version  show the version\n"
    "  --open-url [URL...]\n"
    "                 hand the URLs over as links opened in another program (see above);\n"
    "                 every argument after it is a URL; without one, start the program\n"
    "  --print-bindings sway|hyprland\n"
    "                 print the compositor key bindings that give the chords through\n"
    "                 this command, for the configured chords\n";

std::string executableDir() {
    char buf[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) {
        return ".";
    }
    std::string path(buf, static_cast<std::size_t>(n));
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

// The entry point `symbol` of the program module, or null with the reason in `failure`.
void* moduleEntry(const char* symbol, std::string* failure) {
    const std::string dir = executableDir();
    // Beside this executable in a build folder; in its private folder once installed.
    const std::string candidates[] = {dir + "/stashwick-app.so",
                                      dir + "/../" STASHWICK_MODULE_DIR "/stashwick-app.so"};
    for (const std::string& path : candidates) {
        if (::access(path.c_str(), R_OK) != 0) {
            continue;
        }
        void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            *failure = ::dlerror();
            continue;
        }
        if (void* entry = ::dlsym(module, symbol)) {
            return entry;
        }
        *failure = path + ": no entry point";
    }
    return nullptr;
}

int runInstance(int argc, char** argv, const std::string& runtimeDir) {
    using RunInstance = int (*)(int, char**, const char*);
    std::string failure;
    if (auto* run =
            reinterpret_cast<RunInstance>(moduleEntry("stashwick_run_instance", &failure))) {
        return run(argc, argv, runtimeDir.c_str());
    }
    std::fprintf(stderr, "stashwick: cannot load the program module%s%s\n",
                 failure.empty() ? "" : ": ", failure.c_str());
    return 1;
}

int printBindings(const std::string& compositor) {
    using PrintBindings = int (*)(const char*, const char*);
    std::string failure;
    auto* print =
        reinterpret_cast<PrintBindings>(moduleEntry("stashwick_print_bindings", &failure));
    if (!print) {
        std::fprintf(stderr, "stashwick: cannot load the program module%s%s\n",
                     failure.empty() ? "" : ": ", failure.c_str());
        return 1;
    }
    const std::string self = executableDir() + "/stashwick";
    return print(compositor.c_str(), self.c_str());
}

// Starts "stashwick --instance" in the background, detached from this terminal's session.
bool spawnInstance() {
    std::string self = executableDir() + "/stashwick";
    char* const args[] = {self.data(), const_cast<char*>("--instance"), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    // Detached from whatever ran this command: its terminal or pipe may go away.
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, self.c_str(), &actions, &attr, args, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    return rc == 0;
}

// Connects to the running program: through this environment's socket, or through the one
// that the program holding the store's lock recorded (it may have been started with another
// runtime folder).
bool connectToRunning(InstanceClient& client, const std::string& socket) {
    if (client.connectTo(socket)) {
        return true;
    }
    const auto holder =
        StoreLock::holderSocket(StoreLock::lockPathFor(StoreLock::defaultStoreFile()));
    return holder && *holder != socket && client.connectTo(*holder);
}

bool connectWithin(InstanceClient& client, const std::string& socket, int totalMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(totalMs);
    while (!connectToRunning(client, socket)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        // Waiting for another process to come up.
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// A URL as it is shown in a message: long ones are cut, so one line stays one line.
std::string shown(const std::string& url) {
    constexpr std::size_t most = 80;
    return url.size() <= most ? url : url.substr(0, most) + "...";
}

// Why the command refuses `url` without asking the program, or empty.
std::string refusal(const std::string& url) {
    if (url.rfind("stashwick:", 0) != 0) {
        return "not a stashwick: URL";
    }
    if (url.size() > InstanceFrame::maxUrlLength) {
        return "URL longer than " + std::to_string(InstanceFrame::maxUrlLength) + " bytes";
    }
    return {};
}

struct Url {
    InstanceFrame::Source source;
    std::string text;
};

int sendUrls(InstanceClient& client, const std::vector<Url>& urls) {
    int status = 0;
    for (const auto& [source, url] : urls) {
        const auto reply = client.request(InstanceFrame::request(source, url), 30000);
        const auto parsed = reply ? InstanceFrame::parseReply(*reply) : std::nullopt;
        if (!parsed) {
            std::fprintf(stderr, "stashwick: no answer from the running program for %s\n",
                         shown(url).c_str());
            return exitUnreachable;
        }
        if (parsed->first == InstanceFrame::Verdict::Done) {
            // Done, with a warning: the program runs without saving to disk.
            if (!parsed->second.empty()) {
                std::fprintf(stderr, "stashwick: %s\n", parsed->second.c_str());
            }
            continue;
        }
        std::string reason = parsed->second;
        if (source == InstanceFrame::Source::Link &&
            parsed->first == InstanceFrame::Verdict::Refused && reason == refusal(std::string())) {
            // A program from before links were asked about reads the request as no URL.
            reason = "the running Stashwick is older and takes no links; restart it";
        }
        std::fprintf(stderr, "stashwick: %s: %s\n", shown(url).c_str(), reason.c_str());
        if (parsed->first == InstanceFrame::Verdict::Refused) {
            status = exitRefused;
        } else if (status == 0) {
            status = exitNothingDone;
        }
    }
    return status;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<Url> urls;
    bool instanceMode = false;
    // After --open-url every argument is a link, whatever it looks like.
    bool links = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (links) {
            urls.push_back({InstanceFrame::Source::Link, arg});
            continue;
        }
        if (arg == "--open-url") {
            links = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            std::fputs(usage, stdout);
            return 0;
        }
        if (arg == "-v" || arg == "--version") {
            std::printf("stashwick %s\n", STASHWICK_VERSION);
            return 0;
        }
        if (arg == "--print-bindings") {
            if (i + 1 >= argc) {
                std::fputs("stashwick: --print-bindings needs a compositor: sway or hyprland\n",
                           stderr);
                return exitUsage;
            }
            return printBindings(argv[i + 1]);
        }
        if (arg == "--instance") {
            instanceMode = true;
        } else if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr, "stashwick: unknown option %s (see stashwick --help)\n",
                         arg.c_str());
            return exitUsage;
        } else {
            urls.push_back({InstanceFrame::Source::Command, arg});
        }
    }

    std::string error;
    const auto runtimeDir = RuntimeDir::path(&error);
    if (!runtimeDir) {
        std::fprintf(stderr, "stashwick: %s\n", error.c_str());
        return exitUnreachable;
    }
    const std::string socket = RuntimeDir::socketPath(*runtimeDir);

    if (instanceMode) {
        const int rc = runInstance(1, argv, *runtimeDir);
        return rc == exitAlreadyRunning ? 0 : rc;
    }

    InstanceClient client;
    if (urls.empty()) {
        if (connectToRunning(client, socket) && client.request("", 5000)) {
            std::puts("Stashwick is already running.");
            return 0;
        }
        const int rc = runInstance(1, argv, *runtimeDir);
        if (rc == exitAlreadyRunning) {
            std::puts("Stashwick is already running.");
            return 0;
        }
        return rc;
    }

    for (const auto& [source, url] : urls) {
        if (const std::string why = refusal(url); !why.empty()) {
            std::fprintf(stderr, "stashwick: %s: %s\n", shown(url).c_str(), why.c_str());
            return exitRefused;
        }
    }
    if (!connectToRunning(client, socket)) {
        if (!spawnInstance() || !connectWithin(client, socket, 10000)) {
            std::fprintf(stderr, "stashwick: could not reach or start the program\n");
            return exitUnreachable;
        }
    }
    return sendUrls(client, urls);
}
