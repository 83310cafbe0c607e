// Another program on the Wayland clipboard, for tst_waylandpasteboard:
//   datacontrol_peer silent   offers text/plain and never writes a byte of it
//   datacontrol_peer dribble  offers text/plain and writes it in five pieces, one a second
//   datacontrol_peer slow-read FILE  copies its input into FILE in small pieces, slowly
// The owners print "send TYPE" for every paste asked of them and "cancelled" (then exit) once
// another selection replaces theirs.
#include "platform/wayland/DataControlFd.h"
#include "platform/wayland/WaylandConnection.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>
#include <array>
#include <cstdio>
#include <memory>
#include <thread>
#include <unistd.h>
#include <vector>

#include "wlr-data-control-unstable-v1-client-protocol.h"

namespace {
struct Owner {
    bool dribble = false;
    std::vector<std::shared_ptr<DataControlFd>> pipes;
};

void onSend(void* data, zwlr_data_control_source_v1*, const char* mimeType, int32_t fd) {
    auto* owner = static_cast<Owner*>(data);
    std::printf("send %s\n", mimeType);
    std::fflush(stdout);
    auto pipe = std::make_shared<DataControlFd>(fd);
    owner->pipes.push_back(pipe); // a silent owner keeps it open and never writes
    if (!owner->dribble) {
        return;
    }
    auto piece = std::make_shared<int>(0);
    auto* timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, [pipe, piece, timer] {
        const QByteArray text = QByteArray("piece ") + QByteArray::number(++*piece) + "\n";
        if (::write(pipe->get(), text.constData(), static_cast<size_t>(text.size())) < 0 ||
            *piece == 5) {
            pipe->reset();
            timer->deleteLater();
        }
    });
    timer->start(1000);
}

void onCancelled(void*, zwlr_data_control_source_v1*) {
    std::printf("cancelled\n");
    std::fflush(stdout);
    QCoreApplication::exit(0);
}

int slowRead(const char* path) {
    QFile out(QString::fromLocal8Bit(path));
    if (!out.open(QIODevice::WriteOnly)) {
        return 1;
    }
    std::array<char, 256 * 1024> chunk{};
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, chunk.data(), chunk.size());
        if (n <= 0) {
            return n == 0 ? 0 : 1;
        }
        out.write(chunk.data(), n);
        std::this_thread::sleep_for(std::chrono::milliseconds(5)); // a slow reader
    }
}
} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && qstrcmp(argv[1], "slow-read") == 0) {
        return slowRead(argv[2]);
    }
    if (argc != 2 || (qstrcmp(argv[1], "silent") != 0 && qstrcmp(argv[1], "dribble") != 0)) {
        std::fprintf(stderr, "usage: %s silent|dribble|slow-read FILE\n", argv[0]);
        return 2;
    }
    QCoreApplication app(argc, argv);
    QString error;
    auto connection = WaylandConnection::open(&error);
    if (!connection || !connection->seat()) {
        std::fprintf(stderr, "no Wayland seat: %s\n", qPrintable(error));
        return 1;
    }
    auto* manager = static_cast<zwlr_data_control_manager_v1*>(
        connection->bind(&zwlr_data_control_manager_v1_interface, 1, 1));
    if (!manager) {
        std::fprintf(stderr, "no data-control\n");
        return 1;
    }
    Owner owner;
    owner.dribble = qstrcmp(argv[1], "dribble") == 0;
    static const zwlr_data_control_source_v1_listener listener = {&onSend, &onCancelled};
    auto* device = zwlr_data_control_manager_v1_get_data_device(manager, connection->seat());
    auto* source = zwlr_data_control_manager_v1_create_data_source(manager);
    zwlr_data_control_source_v1_add_listener(source, &listener, &owner);
    zwlr_data_control_source_v1_offer(source, "text/plain");
    zwlr_data_control_device_v1_set_selection(device, source);
    connection->roundtrip();
    QObject::connect(connection.get(), &WaylandConnection::lost, &app,
                     [] { QCoreApplication::exit(1); });
    const int status = QCoreApplication::exec();
    owner.pipes.clear();
    zwlr_data_control_source_v1_destroy(source);
    zwlr_data_control_device_v1_destroy(device);
    zwlr_data_control_manager_v1_destroy(manager);
    return status;
}
