// A foreign clipboard owner for the X11 tests: owns the CLIPBOARD with the given flavours
// (arguments TYPE=FILE, the flavour's bytes read from FILE), prints "ready" once it owns it,
// and serves requests until it loses ownership or is killed.
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    auto* mime = new QMimeData;
    for (const QString& arg : app.arguments().mid(1)) {
        const qsizetype eq = arg.indexOf(QLatin1Char('='));
        QFile file(arg.mid(eq + 1));
        if (eq <= 0 || !file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "bad flavour %s\n", qPrintable(arg));
            return 2;
        }
        mime->setData(arg.left(eq), file.readAll());
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setMimeData(mime, QClipboard::Clipboard);
    QObject::connect(clipboard, &QClipboard::changed, &app, [clipboard](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard && !clipboard->ownsClipboard()) {
            QCoreApplication::quit();
        }
    });
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
