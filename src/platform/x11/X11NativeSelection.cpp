#include "X11NativeSelection.h"

#include "X11PasteboardReader.h"
#include "X11SelectionRequests.h"

NativeSelection X11NativeSelection::forQtDisplay(QClipboard::Mode mode) {
    const QString name =
        mode == QClipboard::Clipboard ? QStringLiteral("CLIPBOARD") : QStringLiteral("PRIMARY");
    NativeSelection out;
    out.reader = X11PasteboardReader::forQtDisplay(name);
    if (out.reader) {
        out.watchRequests = [name](std::function<void(bool)> served) -> std::unique_ptr<QObject> {
            return X11SelectionRequests::forQtDisplay(name.toLatin1(), std::move(served));
        };
    }
    return out;
}
