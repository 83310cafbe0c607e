#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

// A bounded reader for binary property lists ("bplist00") coming from untrusted storage.
// It never recurses: callers walk the objects they expect, one reference at a time. Every
// count, offset and reference is checked against the input before anything is allocated,
// and the bytes it materialises are capped at a small multiple of the input size, so shared
// references cannot blow a small input up into gigabytes.
//
// The input may have a hole: a range of content bytes cut out of the original list (the
// store keeps large image data beside the list rather than inside it). Offsets are always
// in the original coordinates; reading inside the hole fails, except for a data object whose
// content is exactly the hole, which reads as a DataRef flagged `inHole`.
class BinaryPlistReader {
public:
    struct Hole {
        qint64 offset = 0;
        qint64 length = 0;
    };
    struct DataRef {
        qint64 offset = 0;
        qint64 length = 0;
        bool inHole = false;
    };
    explicit BinaryPlistReader(QByteArrayView bytes, std::optional<Hole> hole = std::nullopt);

    // Checks the header and trailer; everything else fails until this returned true.
    bool open();
    quint64 topObject() const { return m_top; }

    std::optional<std::vector<std::pair<quint64, quint64>>> dict(quint64 ref);
    std::optional<std::vector<quint64>> array(quint64 ref);
    std::optional<QString> string(quint64 ref);
    std::optional<double> date(quint64 ref) const;
    std::optional<DataRef> data(quint64 ref) const;
    // Copies the content of a data object that is not in the hole.
    std::optional<QByteArray> dataBytes(const DataRef& ref);

private:
    struct Header {
        quint8 marker = 0;
        qint64 count = 0;     // element count for sized objects
        qint64 contentAt = 0; // offset of the content after the marker (and count)
    };
    const char* at(qint64 offset, qint64 length) const;
    std::optional<quint64> readUnsigned(qint64 offset, int width) const;
    std::optional<qint64> objectOffset(quint64 ref) const;
    std::optional<Header> header(quint64 ref) const;
    std::optional<std::vector<quint64>> refs(qint64 at, qint64 count) const;
    bool spend(qint64 bytes);

    QByteArrayView m_bytes;
    std::optional<Hole> m_hole;
    qint64 m_total = 0; // size of the original list, hole included
    bool m_open = false;
    int m_offsetWidth = 0;
    int m_refWidth = 0;
    quint64 m_objectCount = 0;
    quint64 m_top = 0;
    qint64 m_tableOffset = 0;
    qint64 m_budget = 0;
};
