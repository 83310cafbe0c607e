// The clipboard of a Wayland session through data-control, as the program follows it (run in
// a session: tests/wayland/run-in-session.sh sway build/bench/bench_waylandclipboard): copy ->
// history latency, bursts, idle wake-ups and paste -> restore with wl-copy and wl-paste as the
// other programs, following the change notices and, for comparison, polling.
#include "ClipboardEventsBench.h"
#include "clipboard/SystemClipboard.h"
#include "core/SystemClock.h"
#include "platform/wayland/DataControlDevice.h"
#include "platform/wayland/DataControlPasteboard.h"
#include "platform/wayland/WaylandConnection.h"

#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QString error;
    auto connection = WaylandConnection::open(&error);
    if (!connection) {
        std::fprintf(stderr, "no Wayland compositor: %s\n", qPrintable(error));
        return 1;
    }
    auto device = DataControlDevice::create(*connection);
    if (!device) {
        std::fprintf(stderr, "the compositor offers no data-control clipboard\n");
        return 1;
    }
    DataControlPasteboard pb(*device);
    SystemClock clock;
    SystemClipboard clipboard(pb, clock);
    const ClipboardEventsBench::Peer peer{
        QStringLiteral("wl-copy"),
        {QStringLiteral("--foreground"), QStringLiteral("--type"), QStringLiteral("text/plain")},
        QStringLiteral("timeout"),
        {QStringLiteral("3"), QStringLiteral("wl-paste"), QStringLiteral("--no-newline")}};
    ClipboardEventsBench::run(clipboard, peer, false);
    ClipboardEventsBench::run(clipboard, peer, true);
    return 0;
}
