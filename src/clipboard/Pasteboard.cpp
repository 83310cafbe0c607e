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

QStringList Pasteboard::filePathsFromGnomeCopiedFiles(const QByteArray& list) {
    const qsizetype firstBreak = list.indexOf('\n');
    const QByteArray operation = list.left(firstBreak).trimmed();
    if (firstBreak < 0 || (operation != "copy" && operation != "cut")) {
        return {};
    }
    return filePathsFromUriList(list.mid(firstBreak + 1));
}

QStringList Pasteboard::fileUrlPaths() {
    const QStringList offered = types().value_or(QStringList());
    for (const QString& type : {uriListType, gnomeCopiedFilesType}) {
        if (!offered.contains(type)) {
            continue;
        }
        const auto bytes = data(type);
        const QStringList paths = !bytes                ? QStringList()
                                  : type == uriListType ? filePathsFromUriList(*bytes)
                                                        : filePathsFromGnomeCopiedFiles(*bytes);
        if (!paths.isEmpty()) {
            return paths;
        }
    }
    return {};
}

void Pasteboard::writeFileUrls(const QStringList& paths) {
    QByteArray uriList;
    QByteArray gnome = "copy";
    for (const QString& p : paths) {
        const QByteArray url = QUrl::fromLocalFile(p).toEncoded();
        uriList += url + "\r\n";
        gnome += "\n" + url;
    }
    writeItem({{uriListType, uriList}, {gnomeCopiedFilesType, gnome}});
}
