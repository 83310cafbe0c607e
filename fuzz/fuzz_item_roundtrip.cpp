// Whatever item the program can hold is written so that it reads back: random items (any
// UTF-16 code units in their strings, unpaired surrogates included) go through the encoding
// and come back equal, with each unpaired surrogate read as U+FFFD.
#include "clipboard/ItemEncoding.h"
#include "store/StoredItem.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// Hands out the fuzzer's bytes as the pieces of an item.
class Source {
public:
    Source(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    std::uint8_t byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    QByteArray bytes() {
        const std::size_t wanted = byte(); // read before what is left is measured
        const std::size_t n = std::min(wanted, m_size - m_at);
        QByteArray out(reinterpret_cast<const char*>(m_data + m_at), static_cast<qsizetype>(n));
        m_at += n;
        return out;
    }
    QString units() {
        const QByteArray raw = bytes();
        QString out;
        for (qsizetype i = 0; i + 1 < raw.size(); i += 2) {
            out.append(QChar(static_cast<char16_t>((static_cast<std::uint8_t>(raw[i]) << 8) |
                                                   static_cast<std::uint8_t>(raw[i + 1]))));
        }
        return out;
    }
    double real() {
        std::uint64_t bits = 0;
        for (int i = 0; i < 8; ++i) {
            bits = (bits << 8) | byte();
        }
        double out = 0;
        std::memcpy(&out, &bits, sizeof out);
        return out;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

// The string as it reads back: Qt's conversion to code points replaces each unpaired
// surrogate with U+FFFD, which is what the encoding must do too.
// (Built back by hand: QString::fromUcs4 would drop a leading U+FEFF.)
QString readable(const QString& s) {
    QString out;
    for (const uint cp : s.toUcs4()) {
        if (QChar::requiresSurrogates(cp)) {
            out.append(QChar(QChar::highSurrogate(cp)));
            out.append(QChar(QChar::lowSurrogate(cp)));
        } else {
            out.append(QChar(static_cast<char16_t>(cp)));
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Source in(data, size);
    ClipboardItem item;
    const std::uint8_t flags = in.byte();
    item.kind = static_cast<ClipboardKind>(flags % 5);
    if (flags & 0x08) {
        item.text = in.units();
    }
    if (flags & 0x10) {
        item.rtf = in.bytes();
    }
    if (flags & 0x20) {
        item.html = in.units();
    }
    if (flags & 0x40) {
        item.imagePNG = Blob(in.bytes());
    }
    if (flags & 0x80) {
        item.sourceBundleID = in.units();
    }
    for (int n = in.byte() % 4; n > 0; --n) {
        item.files.append(in.units());
    }
    const double when = in.real();
    item.createdAt = Instant(std::isfinite(when) ? when : 0.0);

    ClipboardItem expected = item;
    for (std::optional<QString>* s : {&expected.text, &expected.html, &expected.sourceBundleID}) {
        if (*s) {
            **s = readable(**s);
        }
    }
    for (QString& f : expected.files) {
        f = readable(f);
    }

    const auto decoded = ItemEncoding::decode(ItemEncoding::encode(item).bytes);
    if (!decoded || !(*decoded == expected)) {
        std::abort();
    }
    const StoredItem stored = *StoredItem::from(item);
    const auto split = StoredItem::decode(stored.head, stored.pngAt, stored.png);
    if (!split || !(*split == expected)) {
        std::abort();
    }
    return 0;
}
