#include "BinaryPlistReader.h"

#include "ByteSource.h"

#include <algorithm>

#include <bit>
#include <cmath>
#include <limits>

namespace {
constexpr qint64 trailerSize = 32;
constexpr qint64 headerSize = 8;
} // namespace

BinaryPlistReader::BinaryPlistReader(QByteArrayView bytes, std::optional<Hole> hole)
    : m_bytes(bytes), m_hole(hole) {
    takeSize(m_bytes.size());
    // Strings may take twice their encoded size as QString; a little slack for tiny inputs.
    m_budget = 4 * std::max<qint64>(m_bytes.size(), 0) + 4096;
}

BinaryPlistReader::BinaryPlistReader(const ByteSource& source, std::optional<Hole> hole)
    : m_source(&source), m_hole(hole) {
    takeSize(std::max<qint64>(source.size(), 0));
    m_budget = sourceBudget;
}

void BinaryPlistReader::takeSize(qint64 inputSize) {
    m_total = inputSize;
    if (m_hole) {
        if (m_hole->offset < headerSize || m_hole->length < 0 || m_hole->offset > m_total ||
            m_hole->length > std::numeric_limits<qint64>::max() / 2) {
            m_hole.reset();
            m_total = -1; // an impossible hole: open() fails
        } else {
            m_total += m_hole->length;
        }
    }
}

std::optional<qint64> BinaryPlistReader::local(qint64 offset, qint64 length) const {
    if (offset < 0 || length < 0 || m_total < 0 || offset > m_total || length > m_total - offset) {
        return std::nullopt;
    }
    if (!m_hole) {
        return offset;
    }
    const qint64 holeEnd = m_hole->offset + m_hole->length;
    if (offset + length <= m_hole->offset) {
        return offset;
    }
    if (offset >= holeEnd) {
        return offset - m_hole->length;
    }
    return std::nullopt;
}

const char* BinaryPlistReader::at(qint64 offset, qint64 length) const {
    const auto where = local(offset, length);
    if (!where) {
        return nullptr;
    }
    if (!m_source) {
        return m_bytes.data() + *where;
    }
    // Valid until the next read: every caller is done with one piece before asking for another.
    if (length > sourceReadLimit) {
        m_exceeded = true;
        return nullptr;
    }
    m_window.resize(length);
    if (!m_source->read(*where, length, m_window.data())) {
        return nullptr;
    }
    return m_window.constData();
}

std::optional<quint64> BinaryPlistReader::readUnsigned(qint64 offset, int width) const {
    const char* p = at(offset, width);
    if (!p || width < 1 || width > 8) {
        return std::nullopt;
    }
    quint64 v = 0;
    for (int i = 0; i < width; ++i) {
        v = (v << 8) | static_cast<quint8>(p[i]);
    }
    return v;
}

bool BinaryPlistReader::open() {
    m_open = false;
    if (m_total < headerSize + trailerSize) {
        return false;
    }
    const char* magic = at(0, headerSize);
    if (!magic || QByteArrayView(magic, headerSize) != QByteArrayView("bplist00")) {
        return false;
    }
    const qint64 t = m_total - trailerSize;
    const char* trailer = at(t, trailerSize);
    if (!trailer) {
        return false;
    }
    m_offsetWidth = static_cast<quint8>(trailer[6]);
    m_refWidth = static_cast<quint8>(trailer[7]);
    const auto count = readUnsigned(t + 8, 8);
    const auto top = readUnsigned(t + 16, 8);
    const auto table = readUnsigned(t + 24, 8);
    if (m_offsetWidth < 1 || m_offsetWidth > 8 || m_refWidth < 1 || m_refWidth > 8 || !count ||
        !top || !table) {
        return false;
    }
    // Every object takes at least one byte, so no list holds more objects than bytes.
    if (*count == 0 || *count > static_cast<quint64>(t) || *top >= *count) {
        return false;
    }
    if (*table < static_cast<quint64>(headerSize) || *table > static_cast<quint64>(t)) {
        return false;
    }
    const quint64 tableBytes = *count * static_cast<quint64>(m_offsetWidth);
    if (tableBytes > static_cast<quint64>(t) - *table) {
        return false;
    }
    m_objectCount = *count;
    m_top = *top;
    m_tableOffset = static_cast<qint64>(*table);
    m_open = true;
    return true;
}

std::optional<qint64> BinaryPlistReader::objectOffset(quint64 ref) const {
    if (!m_open || ref >= m_objectCount) {
        return std::nullopt;
    }
    const auto off =
        readUnsigned(m_tableOffset + static_cast<qint64>(ref) * m_offsetWidth, m_offsetWidth);
    if (!off || *off < static_cast<quint64>(headerSize) ||
        *off >= static_cast<quint64>(m_tableOffset)) {
        return std::nullopt;
    }
    return static_cast<qint64>(*off);
}

std::optional<BinaryPlistReader::Header> BinaryPlistReader::header(quint64 ref) const {
    const auto off = objectOffset(ref);
    if (!off) {
        return std::nullopt;
    }
    const char* m = at(*off, 1);
    if (!m) {
        return std::nullopt;
    }
    Header h;
    h.marker = static_cast<quint8>(*m);
    h.contentAt = *off + 1;
    h.count = h.marker & 0x0F;
    const quint8 high = h.marker >> 4;
    const bool sized =
        high == 0x4 || high == 0x5 || high == 0x6 || high == 0xA || high == 0xC || high == 0xD;
    if (sized && h.count == 0x0F) {
        const char* im = at(*off + 1, 1);
        if (!im || (static_cast<quint8>(*im) & 0xF0) != 0x10) {
            return std::nullopt;
        }
        const int width = 1 << (static_cast<quint8>(*im) & 0x0F);
        if (width > 8) {
            return std::nullopt;
        }
        const auto n = readUnsigned(*off + 2, width);
        if (!n || *n > static_cast<quint64>(std::numeric_limits<qint64>::max())) {
            return std::nullopt;
        }
        h.count = static_cast<qint64>(*n);
        h.contentAt = *off + 2 + width;
    }
    return h;
}

std::optional<std::vector<quint64>> BinaryPlistReader::refs(qint64 start, qint64 count) const {
    if (count < 0 || count > m_total / m_refWidth) {
        return std::nullopt;
    }
    const char* p = at(start, count * m_refWidth);
    if (!p) {
        return std::nullopt;
    }
    std::vector<quint64> out;
    out.reserve(static_cast<std::size_t>(count));
    for (qint64 i = 0; i < count; ++i) {
        quint64 v = 0;
        for (int b = 0; b < m_refWidth; ++b) {
            v = (v << 8) | static_cast<quint8>(p[i * m_refWidth + b]);
        }
        if (v >= m_objectCount) {
            return std::nullopt;
        }
        out.push_back(v);
    }
    return out;
}

std::optional<std::vector<std::pair<quint64, quint64>>> BinaryPlistReader::dict(quint64 ref) {
    const auto h = header(ref);
    if (!h || (h->marker >> 4) != 0xD || h->count > m_total / 2) {
        return std::nullopt;
    }
    const auto all = refs(h->contentAt, 2 * h->count);
    if (!all || !spend(2 * h->count * static_cast<qint64>(sizeof(quint64)))) {
        return std::nullopt;
    }
    std::vector<std::pair<quint64, quint64>> out;
    out.reserve(static_cast<std::size_t>(h->count));
    for (qint64 i = 0; i < h->count; ++i) {
        out.emplace_back((*all)[static_cast<std::size_t>(i)],
                         (*all)[static_cast<std::size_t>(h->count + i)]);
    }
    return out;
}

std::optional<std::vector<quint64>> BinaryPlistReader::array(quint64 ref) {
    const auto h = header(ref);
    if (!h || (h->marker >> 4) != 0xA) {
        return std::nullopt;
    }
    const auto out = refs(h->contentAt, h->count);
    if (!out || !spend(h->count * static_cast<qint64>(sizeof(quint64)))) {
        return std::nullopt;
    }
    return out;
}

std::optional<QString> BinaryPlistReader::string(quint64 ref) {
    const auto h = header(ref);
    if (!h) {
        return std::nullopt;
    }
    const quint8 high = h->marker >> 4;
    if (high == 0x5) {
        const char* p = at(h->contentAt, h->count);
        if (!p || !spend(2 * h->count)) {
            return std::nullopt;
        }
        for (qint64 i = 0; i < h->count; ++i) {
            if (static_cast<quint8>(p[i]) >= 0x80) {
                return std::nullopt;
            }
        }
        return QString::fromLatin1(p, h->count);
    }
    if (high == 0x6) {
        if (h->count > m_total / 2) {
            return std::nullopt;
        }
        const char* p = at(h->contentAt, 2 * h->count);
        if (!p || !spend(2 * h->count)) {
            return std::nullopt;
        }
        QString s(h->count, Qt::Uninitialized);
        QChar* out = s.data();
        for (qint64 i = 0; i < h->count; ++i) {
            out[i] = QChar(static_cast<char16_t>((static_cast<quint8>(p[2 * i]) << 8) |
                                                 static_cast<quint8>(p[2 * i + 1])));
        }
        // Surrogates must come in well-formed pairs.
        for (qint64 i = 0; i < h->count; ++i) {
            if (out[i].isHighSurrogate()) {
                if (i + 1 >= h->count || !out[i + 1].isLowSurrogate()) {
                    return std::nullopt;
                }
                ++i;
            } else if (out[i].isLowSurrogate()) {
                return std::nullopt;
            }
        }
        return s;
    }
    return std::nullopt;
}

std::optional<double> BinaryPlistReader::date(quint64 ref) const {
    const auto h = header(ref);
    if (!h || h->marker != 0x33) {
        return std::nullopt;
    }
    const auto raw = readUnsigned(h->contentAt, 8);
    if (!raw) {
        return std::nullopt;
    }
    const double d = std::bit_cast<double>(*raw);
    if (!std::isfinite(d)) {
        return std::nullopt;
    }
    return d;
}

std::optional<BinaryPlistReader::DataRef> BinaryPlistReader::data(quint64 ref) const {
    const auto h = header(ref);
    if (!h || (h->marker >> 4) != 0x4) {
        return std::nullopt;
    }
    DataRef d{h->contentAt, h->count, false};
    if (m_hole && d.offset == m_hole->offset && d.length == m_hole->length && d.length > 0) {
        d.inHole = true;
        return d;
    }
    if (!local(d.offset, d.length)) {
        return std::nullopt;
    }
    return d;
}

std::optional<QByteArray> BinaryPlistReader::dataBytes(const DataRef& ref) {
    if (ref.inHole) {
        return std::nullopt;
    }
    const char* p = at(ref.offset, ref.length);
    if (!p || !spend(ref.length)) {
        return std::nullopt;
    }
    return QByteArray(p, ref.length);
}

std::optional<qint64> BinaryPlistReader::stringLength(quint64 ref) const {
    const auto h = header(ref);
    if (!h) {
        return std::nullopt;
    }
    const quint8 high = h->marker >> 4;
    if (high == 0x5 && local(h->contentAt, h->count)) {
        return h->count;
    }
    if (high == 0x6 && h->count <= m_total / 2 && local(h->contentAt, 2 * h->count)) {
        return h->count;
    }
    return std::nullopt;
}

bool BinaryPlistReader::scanString(quint64 ref, const StringSink& sink) {
    const auto length = stringLength(ref);
    const auto h = header(ref);
    if (!length || !h) {
        return false;
    }
    const bool wide = (h->marker >> 4) == 0x6;
    const qint64 unitBytes = wide ? 2 : 1;
    const qint64 pieceChars = sourceReadLimit / 2;
    QString piece;
    // A high surrogate that ended the previous piece, to be paired with the next one.
    std::optional<QChar> carried;
    for (qint64 done = 0; done < *length;) {
        const qint64 n = std::min(pieceChars, *length - done);
        const char* p = at(h->contentAt + done * unitBytes, n * unitBytes);
        if (!p) {
            return false;
        }
        done += n;
        piece.resize(0);
        if (carried) {
            piece.append(*carried);
            carried.reset();
        }
        if (!wide) {
            for (qint64 i = 0; i < n; ++i) {
                if (static_cast<quint8>(p[i]) >= 0x80) {
                    return false;
                }
            }
            piece.append(QLatin1String(p, n));
        } else {
            const qsizetype start = piece.size();
            piece.resize(start + n);
            QChar* out = piece.data() + start;
            for (qint64 i = 0; i < n; ++i) {
                out[i] = QChar(static_cast<char16_t>((static_cast<quint8>(p[2 * i]) << 8) |
                                                     static_cast<quint8>(p[2 * i + 1])));
            }
            for (qsizetype i = 0; i < piece.size(); ++i) {
                if (piece[i].isHighSurrogate()) {
                    if (i + 1 < piece.size()) {
                        if (!piece[i + 1].isLowSurrogate()) {
                            return false;
                        }
                        ++i;
                    } else if (done < *length) {
                        carried = piece[i];
                        piece.chop(1);
                    } else {
                        return false;
                    }
                } else if (piece[i].isLowSurrogate()) {
                    return false;
                }
            }
        }
        if (!sink(piece)) {
            return true;
        }
    }
    return true;
}

bool BinaryPlistReader::scanData(const DataRef& ref, const DataSink& sink) {
    if (ref.inHole) {
        return false;
    }
    for (qint64 done = 0; done < ref.length;) {
        const qint64 n = std::min(sourceReadLimit, ref.length - done);
        const char* p = at(ref.offset + done, n);
        if (!p) {
            return false;
        }
        done += n;
        if (!sink(QByteArrayView(p, n))) {
            return true;
        }
    }
    return true;
}

std::optional<BinaryPlistReader::ArrayHead> BinaryPlistReader::arrayHead(quint64 ref,
                                                                         qint64 maxMembers) {
    const auto h = header(ref);
    if (!h || (h->marker >> 4) != 0xA || h->count > m_total / m_refWidth ||
        !local(h->contentAt, h->count * m_refWidth)) {
        return std::nullopt;
    }
    const qint64 n = std::clamp<qint64>(maxMembers, 0, h->count);
    auto members = refs(h->contentAt, n);
    if (!members || !spend(n * static_cast<qint64>(sizeof(quint64)))) {
        return std::nullopt;
    }
    return ArrayHead{h->count, std::move(*members)};
}

bool BinaryPlistReader::spend(qint64 bytes) {
    if (bytes < 0 || bytes > m_budget) {
        m_exceeded = m_exceeded || (m_source && bytes >= 0);
        return false;
    }
    m_budget -= bytes;
    return true;
}
