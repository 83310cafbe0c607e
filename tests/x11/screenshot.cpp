// Saves a PNG of the X screen: "screenshot FILE X Y WIDTH HEIGHT" for a region, or
// "screenshot FILE WINDOW" for the content of one window (its id, decimal or 0x hex).
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList a = app.arguments();
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || (a.size() != 3 && a.size() < 6)) {
        return 2;
    }
    bool ok = false;
    const QPixmap shot =
        a.size() == 3
            ? screen->grabWindow(static_cast<WId>(a[2].toULongLong(&ok, 0)))
            : screen->grabWindow(0, a[2].toInt(), a[3].toInt(), a[4].toInt(), a[5].toInt());
    return shot.save(a[1], "PNG") ? 0 : 1;
}
