#include "ContentHash.h"

#include <QCryptographicHash>
#include <QtEndian>

namespace {

class Feed {
public:
    void integer(qint64 v) {
        const qint64 le = qToLittleEndian(v);
        m_hash.addData(QByteArrayView(reinterpret_cast<const char*>(&le), sizeof le));
    }
    void field(QByteArrayView bytes) {
        integer(bytes.size());
        m_hash.addData(bytes);
    }
    void optionalField(const std::optional<QByteArray>& bytes) {
        const char marker = bytes ? 1 : 0;
        m_hash.addData(QByteArrayView(&marker, 1));
        field(bytes ? QByteArrayView(*bytes) : QByteArrayView());
    }
    QString hex() { return QString::fromLatin1(m_hash.result().toHex()); }

private:
    QCryptographicHash m_hash{QCryptographicHash::Sha256};
};

std::optional<QByteArray> utf8(const std::optional<QString>& s) {
    return s ? std::optional<QByteArray>(s->toUtf8()) : std::nullopt;
}

} // namespace

QString ContentHash::canonical(const ClipboardItem& item) {
    Feed f;
    f.field(rawValue(item.kind).toUtf8());
    f.optionalField(utf8(item.text));
    f.optionalField(item.rtf);
    f.optionalField(utf8(item.html));
    f.optionalField(item.imagePNG ? std::optional<QByteArray>(item.imagePNG->bytes())
                                  : std::nullopt);
    f.integer(item.files.size());
    for (const QString& path : item.files) {
        f.field(path.toUtf8());
    }
    return f.hex();
}
