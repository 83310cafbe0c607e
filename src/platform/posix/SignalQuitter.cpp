#include "SignalQuitter.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
int pipeFds[2] = {-1, -1};

void onSignal(int sig) {
    const char byte = static_cast<char>(sig);
    [[maybe_unused]] const auto n = ::write(pipeFds[1], &byte, 1);
}
} // namespace

SignalQuitter::SignalQuitter(QObject* parent) : QObject(parent) {
    if (pipeFds[0] < 0 && ::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    m_notifier = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        while (::read(pipeFds[0], &byte, 1) == 1) {
            Q_EMIT quitRequested(byte);
        }
    });
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
    // Logging to a closed pipe (the terminal that started us is gone) must not end the program.
    ::signal(SIGPIPE, SIG_IGN);
}

SignalQuitter::~SignalQuitter() {
    struct sigaction sa {};
    sa.sa_handler = SIG_DFL;
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
}
