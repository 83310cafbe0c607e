#include "Pasteboard.h"

#include <QDir>
#include <QUrl>

QString Pasteboard::decodeText(const QByteArray& bytes) {
    if (bytes.size() >= 2) {
        const auto b0 = static_cast<quint8>(bytes[0]);
        const auto b1 = static_cast<quint8>(bytes[1]);
        const bool le = b0 == 0xFF && b1 == 0xFE;
        const bool be = b0 == 0xFE && b1 == 0xFF;
        if (le || be) {
            const qsizetype units = (bytes.size() - 2) / 2;
            QString out(units, Qt::Uninitialized);
            for (qsizetype i = 0; i < units; ++i) {
                const auto lo = static_cast<quint8>(bytes[2 + 2 * i + (le ? 0 : 1)]);
                const auto hi = static_cast<quint8>(bytes[2 + 2 * i + (le ? 1 : 0)]);
                out[i] = QChar(static_cast<char16_t>((hi << 8) | lo));
            }
            return out;
        }
    }
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        return QString::fromUtf8(bytes.mid(3));
    }
    return QString::fromUtf8(bytes);
}

QStringList Pasteboard::filePathsFromUriList(const QByteArray& uriList) {
    QStringList paths;
    for (const QByteArray& raw : uriList.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#')) {
            continue;
        }
        const QUrl url = QUrl::fromEncoded(line, QUrl::StrictMode);
        if (!url.isValid() || !url.isLocalFile()) {
            continue;
        }
        const QString path = url.toLocalFile();
        if (QDir::isAbsolutePath(path)) {
            paths.append(QDir::cleanPath(path));
        }
    }
    return paths;
}
