// The real program (its module, loaded as the stashwick command loads it) with one addition for
// the tests: it saves a picture of its own main window, drawn by Qt itself (QWidget::grab),
// when asked. Where the compositor gives no screenshots (KWin without OpenGL; XWayland hands
// out black), this shows what the window shows.
//
// Usage: window_snapshot MODULE REQUEST_FILE. While the program runs, a file at REQUEST_FILE
// holding a path asks for a PNG of the window "Stashwick" at that path; the request file is
// removed once the picture is saved.
#include "platform/posix/RuntimeDir.h"

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <dlfcn.h>
#include <string>

namespace {

QString requestFile;

// Runs when the program makes its application object: from then on the request is looked for
// every 100 ms.
void watchForRequests() {
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, qApp, [] {
        QFile request(requestFile);
        if (!request.open(QIODevice::ReadOnly)) {
            return;
        }
        const QString target = QString::fromUtf8(request.readAll()).trimmed();
        request.close();
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->isVisible() && w->windowTitle() == u"Stashwick" && !target.isEmpty() &&
                w->grab().save(target, "PNG")) {
                QFile::remove(requestFile);
                return;
            }
        }
    });
    timer->start(100);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(watchForRequests)

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: window_snapshot MODULE REQUEST_FILE\n", stderr);
        return 2;
    }
    requestFile = QString::fromLocal8Bit(argv[2]);
    std::string error;
    const auto runtimeDir = RuntimeDir::path(&error);
    if (!runtimeDir) {
        std::fprintf(stderr, "window_snapshot: %s\n", error.c_str());
        return 1;
    }
    void* module = ::dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    void* entry = module ? ::dlsym(module, "stashwick_run_instance") : nullptr;
    if (!entry) {
        std::fprintf(stderr, "window_snapshot: %s\n", ::dlerror());
        return 1;
    }
    using RunInstance = int (*)(int, char**, const char*);
    return reinterpret_cast<RunInstance>(entry)(1, argv, runtimeDir->c_str());
}
