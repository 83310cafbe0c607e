// A small application with a focused text field for the chord tests. Starts with the text
// given as its argument, all selected. Prints "READY" once its window is active, "TEXT …"
// whenever the text changes, and "KEY mods key" for every key press it receives. With
// PASTE_DELAY_MS set, Control+V pastes that many milliseconds late, as a busy application
// would (a negative delay: it never reads the clipboard).
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <cstdio>

class Logger : public QObject {
public:
    QLineEdit* edit = nullptr;
    int pasteDelayMs = 0;
    bool latePaste = false;

    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::WindowDeactivate || e->type() == QEvent::FocusOut) {
            std::printf("DEACTIVATED\n");
            std::fflush(stdout);
        }
        if (e->type() == QEvent::MouseButtonPress) {
            std::printf("CLICK\n");
            std::fflush(stdout);
        }
        if (e->type() == QEvent::KeyPress) {
            auto* k = static_cast<QKeyEvent*>(e);
            QStringList mods;
            if (k->modifiers() & Qt::ControlModifier)
                mods << "ctrl";
            if (k->modifiers() & Qt::ShiftModifier)
                mods << "shift";
            if (k->modifiers() & Qt::AltModifier)
                mods << "alt";
            if (k->modifiers() & Qt::MetaModifier)
                mods << "meta";
            std::printf("KEY %s %s\n", mods.isEmpty() ? "none" : qPrintable(mods.join('+')),
                        qPrintable(QKeySequence(k->key()).toString()));
            std::fflush(stdout);
            if (latePaste && k->key() == Qt::Key_V && k->modifiers() == Qt::ControlModifier) {
                if (pasteDelayMs >= 0) {
                    QTimer::singleShot(pasteDelayMs, edit, [this] {
                        std::printf("READING\n");
                        std::fflush(stdout);
                        edit->paste();
                    });
                }
                return true;
            }
        }
        return QObject::eventFilter(o, e);
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLineEdit edit(app.arguments().value(1));
    // Optional geometry "x,y,w,h", so a test can put the field under the HUD.
    const QStringList geometry = app.arguments().value(2).split(QLatin1Char(','));
    edit.setWindowTitle(QStringLiteral("Stashwick test field: ") + app.arguments().value(1));
    edit.resize(600, 60);
    if (geometry.size() == 4) {
        edit.setGeometry(geometry[0].toInt(), geometry[1].toInt(), geometry[2].toInt(),
                         geometry[3].toInt());
    }
    Logger logger;
    logger.edit = &edit;
    logger.latePaste = qEnvironmentVariableIsSet("PASTE_DELAY_MS");
    logger.pasteDelayMs = qEnvironmentVariableIntValue("PASTE_DELAY_MS");
    edit.installEventFilter(&logger);
    QObject::connect(&edit, &QLineEdit::textChanged, [](const QString& t) {
        std::printf("TEXT %s\n", qPrintable(t));
        std::fflush(stdout);
    });
    // "bypass": an unmanaged window exactly at the geometry (a click target under the HUD).
    const bool bypass = app.arguments().value(3) == QLatin1String("bypass");
    if (bypass) {
        edit.setWindowFlags(Qt::Window | Qt::X11BypassWindowManagerHint);
    }
    edit.show();
    edit.activateWindow();
    edit.setFocus();
    edit.selectAll();
    auto* poll = new QTimer(&app);
    QObject::connect(poll, &QTimer::timeout, [&] {
        if (bypass || (edit.isActiveWindow() && edit.hasFocus())) {
            std::printf("WINDOW %llu\nREADY\n", static_cast<unsigned long long>(edit.winId()));
            std::fflush(stdout);
            poll->stop();
        } else {
            edit.activateWindow();
        }
    });
    poll->start(20);
    return app.exec();
}
