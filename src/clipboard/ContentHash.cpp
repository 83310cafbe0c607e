#include "ContentHash.h"

#include <QCryptographicHash>
#include <QtEndian>
#include <algorithm>

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
    // A text as UTF-8, like optionalField(s->toUtf8()), encoded a slice at a time so that a
    // huge text is never held twice: once to learn the length, once to feed the bytes.
    void optionalText(const std::optional<QString>& s) {
        const char marker = s ? 1 : 0;
        m_hash.addData(QByteArrayView(&marker, 1));
        if (!s) {
            integer(0);
            return;
        }
        qint64 length = 0;
        forEachSlice(*s, [&](const QByteArray& utf8) { length += utf8.size(); });
        integer(length);
        forEachSlice(*s, [&](const QByteArray& utf8) { m_hash.addData(utf8); });
    }
    QString hex() { return QString::fromLatin1(m_hash.result().toHex()); }

private:
    // Slices end between characters, never inside a surrogate pair, so their UTF-8 joins up
    // to that of the whole text.
    template <typename F> static void forEachSlice(const QString& s, F&& take) {
        constexpr qsizetype slice = 1 << 20;
        for (qsizetype at = 0; at < s.size();) {
            qsizetype n = std::min(slice, s.size() - at);
            if (at + n < s.size() && s[at + n - 1].isHighSurrogate()) {
                ++n;
            }
            take(QStringView(s).sliced(at, n).toUtf8());
            at += n;
        }
    }

    QCryptographicHash m_hash{QCryptographicHash::Sha256};
};

} // namespace

QString ContentHash::canonical(const ClipboardItem& item) {
    Feed f;
    f.field(rawValue(item.kind).toUtf8());
    f.optionalText(item.text);
    f.optionalField(item.rtf);
    f.optionalText(item.html);
    f.optionalField(item.imagePNG ? std::optional<QByteArray>(item.imagePNG->bytes())
                                  : std::nullopt);
    f.integer(item.files.size());
    for (const QString& path : item.files) {
        f.field(path.toUtf8());
    }
    return f.hex();
}
