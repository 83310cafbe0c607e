// The running program, measured from outside (run under tests/x11/xvfb-run.sh): the round
// trip of `stashwick stashwick://dump` against a store with 200 history entries and 100,000
// events, the time from launch to the first state.json, and the program's resident memory
// after launch and after 200 captures; then the launch and the round trip again with ten
// 25 MB images in the slots, which must cost no more than text does.
#include "BenchUtil.h"
#include "core/SystemClock.h"
#include "store/SlotStore.h"
#include "store/StoreContainer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Steady = std::chrono::steady_clock;

pid_t spawn(const std::vector<std::string>& argv, bool quiet) {
    std::vector<char*> args;
    for (const auto& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (quiet) {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", 01, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", 01, 0);
    }
    pid_t pid = -1;
    posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int run(const std::vector<std::string>& argv) {
    const pid_t pid = spawn(argv, true);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double rssOf(pid_t pid) {
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
        }
    }
    return -1;
}

// Starts the program, waits for its first state.json and measures the dump round trip.
pid_t launchAndMeasure(const std::string& stashwick, const std::string& stateFile,
                       const char* label) {
    ::unlink(stateFile.c_str());
    const auto start = Steady::now();
    const pid_t instance = spawn({stashwick}, true);
    struct stat st {};
    while (::stat(stateFile.c_str(), &st) != 0) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    const double launchMs =
        std::chrono::duration<double, std::milli>(Steady::now() - start).count();
    std::printf("-- %s\n", label);
    BenchUtil::report("launch to first state.json", launchMs, "ms");
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // let start-up settle
    BenchUtil::report("resident memory after launch", rssOf(instance), "MiB");

    std::vector<double> trips;
    for (int i = 0; i < 100; ++i) {
        const auto t = Steady::now();
        if (run({stashwick, "stashwick://dump"}) != 0) {
            std::fprintf(stderr, "dump failed\n");
        }
        trips.push_back(std::chrono::duration<double, std::milli>(Steady::now() - t).count());
    }
    std::sort(trips.begin(), trips.end());
    BenchUtil::report("stashwick://dump round trip, median of 100", trips[trips.size() / 2], "ms");
    BenchUtil::report("  90th percentile", trips[trips.size() * 9 / 10], "ms");
    return instance;
}

void stop(pid_t instance) {
    ::kill(instance, SIGTERM);
    waitpid(instance, nullptr, 0);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_instance PATH/TO/stashwick\n");
        return 2;
    }
    const std::string stashwick = argv[1];
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.filePath("data").toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", home.filePath("run").toLocal8Bit());
    QDir().mkpath(home.filePath("run"));
    ::chmod(home.filePath("run").toLocal8Bit().constData(), 0700);
    const QString dataDir = home.filePath("data/Stashwick");
    QDir().mkpath(dataDir);
    const std::string stateFile = (dataDir + "/state.json").toStdString();

    {
        auto container = StoreContainer::make(false, dataDir + "/Store.sqlite", nullptr);
        SystemClock clock;
        SlotStore slots(*container, clock);
        for (int i = 0; i < 200; ++i) {
            slots.addHistory(ClipboardItem::makeText(QStringLiteral("history entry %1").arg(i)));
        }
        BenchUtil::insertEvents(container->db(), 100000);
    }

    const pid_t instance = launchAndMeasure(stashwick, stateFile, "text in the store");

    for (int i = 0; i < 200; ++i) {
        const QString path = home.filePath("clip.txt");
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly)) {
            qFatal("cannot write %s", qPrintable(path));
        }
        f.write(QStringLiteral("captured text number %1").arg(i).toUtf8());
        f.close();
        run({"xclip", "-selection", "clipboard", "-i", path.toStdString()});
        run({stashwick, "stashwick://capture-to-slot/" + std::to_string(i % 10)});
    }
    BenchUtil::report("resident memory after 200 captures", rssOf(instance), "MiB");
    stop(instance);
    run({"pkill", "xclip"});

    {
        auto container = StoreContainer::make(false, dataDir + "/Store.sqlite", nullptr);
        SystemClock clock;
        SlotStore slots(*container, clock);
        QByteArray png(25 * 1024 * 1024, '\0');
        for (qsizetype i = 0; i < png.size(); ++i) {
            png[i] = static_cast<char>((i * 2654435761U) >> 13);
        }
        png.replace(0, 8, QByteArray("\x89PNG\r\n\x1a\n", 8));
        for (int slot = 0; slot < SlotStore::slotCount; ++slot) {
            ClipboardItem image;
            image.kind = ClipboardKind::Image;
            png[100] = static_cast<char>(slot);
            image.imagePNG = Blob(png);
            slots.setItem(image, slot);
        }
    }
    stop(launchAndMeasure(stashwick, stateFile, "ten 25 MB images in the slots"));
    return 0;
}
