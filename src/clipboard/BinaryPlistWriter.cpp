#include "BinaryPlistWriter.h"

#include <bit>

namespace {

int widthFor(quint64 value) {
    if (value <= 0xFF) {
        return 1;
    }
    if (value <= 0xFFFF) {
        return 2;
    }
    if (value <= 0xFFFFFFFFull) {
        return 4;
    }
    return 8;
}

void appendBigEndian(QByteArray& out, quint64 value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

// Marker with a count in its low nibble, or 0xF followed by an integer object.
void appendMarker(QByteArray& out, quint8 high, quint64 count) {
    if (count < 15) {
        out.append(static_cast<char>((high << 4) | count));
        return;
    }
    out.append(static_cast<char>((high << 4) | 0x0F));
    const int width = widthFor(count);
    out.append(static_cast<char>(0x10 | std::countr_zero(static_cast<unsigned>(width))));
    appendBigEndian(out, count, width);
}

bool isAscii(const QString& s) {
    for (QChar c : s) {
        if (c.unicode() >= 0x80) {
            return false;
        }
    }
    return true;
}

// Where the first surrogate that pairs with nothing sits in `s`, from `from` on; -1 if none.
qsizetype loneSurrogate(const QString& s, qsizetype from) {
    for (qsizetype i = from; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c.isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
            ++i;
        } else if (c.isSurrogate()) {
            return i;
        }
    }
    return -1;
}

// A QString may hold surrogates that pair with nothing; UTF-16 as the reader checks it may
// not. Each one becomes U+FFFD so that whatever is written reads back. A string without
// them is shared, not copied.
QString withPairedSurrogates(const QString& s) {
    qsizetype at = loneSurrogate(s, 0);
    if (at < 0) {
        return s;
    }
    QString out = s;
    while (at >= 0) {
        out[at] = QChar::ReplacementCharacter;
        at = loneSurrogate(out, at + 1);
    }
    return out;
}

// Writes `s` at `at` in `out` (which has room): one byte a character when `ascii`, otherwise
// UTF-16 big-endian.
void putString(QByteArray& out, qsizetype at, const QString& s, bool ascii) {
    char* dst = out.data() + at;
    for (const QChar c : s) {
        const char16_t u = c.unicode();
        if (!ascii) {
            *dst++ = static_cast<char>(u >> 8);
        }
        *dst++ = static_cast<char>(u & 0xFF);
    }
}

} // namespace

BinaryPlistWriter::Ref BinaryPlistWriter::addString(const QString& s) {
    m_objects.push_back(Object{Type::String, withPairedSurrogates(s), {}, 0, {}});
    return m_objects.size() - 1;
}

BinaryPlistWriter::Ref BinaryPlistWriter::addData(const QByteArray& bytes) {
    m_objects.push_back(Object{Type::Data, {}, bytes, 0, {}});
    return m_objects.size() - 1;
}

BinaryPlistWriter::Ref BinaryPlistWriter::addDate(double secondsSinceReference) {
    m_objects.push_back(Object{Type::Date, {}, {}, secondsSinceReference, {}});
    return m_objects.size() - 1;
}

BinaryPlistWriter::Ref BinaryPlistWriter::addArray() {
    m_objects.push_back(Object{Type::Array, {}, {}, 0, {}});
    return m_objects.size() - 1;
}

BinaryPlistWriter::Ref BinaryPlistWriter::addDict() {
    m_objects.push_back(Object{Type::Dict, {}, {}, 0, {}});
    return m_objects.size() - 1;
}

void BinaryPlistWriter::appendToArray(Ref array, Ref member) {
    m_objects[array].members.push_back(member);
}

void BinaryPlistWriter::insertIntoDict(Ref dict, Ref key, Ref value) {
    m_objects[dict].members.push_back(key);
    m_objects[dict].members.push_back(value);
}

QByteArray BinaryPlistWriter::finish(Ref watch, qint64* dataOffset) const {
    const int refWidth = widthFor(m_objects.size());
    // Room for everything up front: a large text or image is copied into place once, without
    // a temporary and without the array growing past it.
    const auto payloadBound = [](const Object& o, bool ascii) -> qsizetype {
        switch (o.type) {
        case Type::String:
            return o.string.size() * (ascii ? 1 : 2);
        case Type::Data:
            return o.data.size();
        case Type::Date:
            return 8;
        case Type::Array:
        case Type::Dict:
            break;
        }
        return static_cast<qsizetype>(o.members.size()) * 8;
    };
    std::vector<bool> ascii(m_objects.size(), false);
    qsizetype room = 8 + 32;
    for (std::size_t i = 0; i < m_objects.size(); ++i) {
        const Object& o = m_objects[i];
        ascii[i] = o.type == Type::String && isAscii(o.string);
        room += 10 + payloadBound(o, ascii[i]) + 8; // marker and count, content, offset entry
    }
    QByteArray out;
    out.reserve(room);
    out.append("bplist00");
    std::vector<quint64> offsets;
    offsets.reserve(m_objects.size());

    for (std::size_t i = 0; i < m_objects.size(); ++i) {
        const Object& o = m_objects[i];
        offsets.push_back(static_cast<quint64>(out.size()));
        switch (o.type) {
        case Type::String: {
            appendMarker(out, ascii[i] ? 0x5 : 0x6, static_cast<quint64>(o.string.size()));
            const qsizetype at = out.size();
            out.resize(at + o.string.size() * (ascii[i] ? 1 : 2));
            putString(out, at, o.string, ascii[i]);
            break;
        }
        case Type::Data:
            appendMarker(out, 0x4, static_cast<quint64>(o.data.size()));
            if (i == watch && dataOffset) {
                *dataOffset = out.size();
            }
            out.append(o.data);
            break;
        case Type::Date: {
            out.append(static_cast<char>(0x33));
            appendBigEndian(out, std::bit_cast<quint64>(o.date), 8);
            break;
        }
        case Type::Array:
            appendMarker(out, 0xA, o.members.size());
            for (Ref m : o.members) {
                appendBigEndian(out, m, refWidth);
            }
            break;
        case Type::Dict: {
            const std::size_t pairs = o.members.size() / 2;
            appendMarker(out, 0xD, pairs);
            for (std::size_t k = 0; k < pairs; ++k) {
                appendBigEndian(out, o.members[2 * k], refWidth);
            }
            for (std::size_t k = 0; k < pairs; ++k) {
                appendBigEndian(out, o.members[2 * k + 1], refWidth);
            }
            break;
        }
        }
    }

    const quint64 tableOffset = static_cast<quint64>(out.size());
    const int offsetWidth = widthFor(tableOffset);
    for (quint64 off : offsets) {
        appendBigEndian(out, off, offsetWidth);
    }
    out.append(QByteArray(6, '\0'));
    out.append(static_cast<char>(offsetWidth));
    out.append(static_cast<char>(refWidth));
    appendBigEndian(out, m_objects.size(), 8);
    appendBigEndian(out, 0, 8);
    appendBigEndian(out, tableOffset, 8);
    return out;
}
