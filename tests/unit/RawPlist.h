#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Builds binary property lists byte by byte, with any offset and reference width, for
// feeding the decoder what other writers (or attackers) produce.
class RawPlist {
public:
    explicit RawPlist(int refWidth = 1, int offsetWidth = 1)
        : m_refWidth(refWidth), m_offsetWidth(offsetWidth) {}

    int add(const QByteArray& object) {
        m_objects.append(object);
        return static_cast<int>(m_objects.size() - 1);
    }
    // Object bytes for the common types.
    static QByteArray ascii(const QByteArray& s) { return sized(0x5, s.size()) + s; }
    static QByteArray utf16(const QString& s) {
        QByteArray out = sized(0x6, s.size());
        for (QChar c : s) {
            out.append(static_cast<char>(c.unicode() >> 8));
            out.append(static_cast<char>(c.unicode() & 0xFF));
        }
        return out;
    }
    static QByteArray data(const QByteArray& d) { return sized(0x4, d.size()) + d; }
    static QByteArray date(double seconds) {
        QByteArray out(1, '\x33');
        quint64 bits;
        std::memcpy(&bits, &seconds, 8);
        out.append(be(bits, 8));
        return out;
    }
    QByteArray array(const QList<int>& members) const {
        QByteArray out = sized(0xA, members.size());
        for (int m : members) {
            out.append(be(static_cast<quint64>(m), m_refWidth));
        }
        return out;
    }
    QByteArray dict(const QList<std::pair<int, int>>& pairs) const {
        QByteArray out = sized(0xD, pairs.size());
        for (const auto& p : pairs) {
            out.append(be(static_cast<quint64>(p.first), m_refWidth));
        }
        for (const auto& p : pairs) {
            out.append(be(static_cast<quint64>(p.second), m_refWidth));
        }
        return out;
    }

    QByteArray build(int top = 0) const {
        QByteArray out("bplist00");
        QList<quint64> offsets;
        for (const QByteArray& o : m_objects) {
            offsets.append(static_cast<quint64>(out.size()));
            out.append(o);
        }
        const quint64 table = static_cast<quint64>(out.size());
        for (quint64 off : offsets) {
            out.append(be(off, m_offsetWidth));
        }
        out.append(QByteArray(6, '\0'));
        out.append(static_cast<char>(m_offsetWidth));
        out.append(static_cast<char>(m_refWidth));
        out.append(be(static_cast<quint64>(m_objects.size()), 8));
        out.append(be(static_cast<quint64>(top), 8));
        out.append(be(table, 8));
        return out;
    }

    static QByteArray be(quint64 v, int width) {
        QByteArray out;
        for (int i = width - 1; i >= 0; --i) {
            out.append(static_cast<char>(i >= 8 ? 0 : (v >> (8 * i)) & 0xFF));
        }
        return out;
    }
    static QByteArray sized(int high, qsizetype count) {
        if (count < 15) {
            return QByteArray(1, static_cast<char>((high << 4) | count));
        }
        QByteArray out(1, static_cast<char>((high << 4) | 0xF));
        out.append('\x13');
        out.append(be(static_cast<quint64>(count), 8));
        return out;
    }

private:
    int m_refWidth;
    int m_offsetWidth;
    QList<QByteArray> m_objects;
};
