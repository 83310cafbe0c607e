// Saves a PNG of a region of the X screen: screenshot FILE X Y WIDTH HEIGHT
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() < 6 || !QGuiApplication::primaryScreen()) {
        return 2;
    }
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, a[2].toInt(), a[3].toInt(),
                                                                      a[4].toInt(), a[5].toInt());
    return shot.save(a[1], "PNG") ? 0 : 1;
}
