#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class ByteSource;

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
//
// Read from a ByteSource, the reader fetches only what it is asked for, a bounded piece at a
// time: one read never takes more than `sourceReadLimit` bytes and what it materialises stays
// within `sourceBudget`. A request past those bounds fails with `exceededBounds()` set, which
// tells a list too big to read this way from a corrupt one.
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
    struct ArrayHead {
        qint64 count = 0;
        std::vector<quint64> members; // the first members, at most as many as asked for
    };
    // Receives a string's characters a piece at a time; returns false to stop reading.
    using StringSink = std::function<bool(QStringView piece)>;
    // Receives a data object's bytes a piece at a time; returns false to stop reading.
    using DataSink = std::function<bool(QByteArrayView piece)>;

    static constexpr qint64 sourceReadLimit = 64 * 1024;
    static constexpr qint64 sourceBudget = 4 * 1024 * 1024;

    explicit BinaryPlistReader(QByteArrayView bytes, std::optional<Hole> hole = std::nullopt);
    // `source` holds the list with the hole cut out, like `bytes` above; it must outlive the
    // reader.
    explicit BinaryPlistReader(const ByteSource& source, std::optional<Hole> hole = std::nullopt);

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

    // A string's length in characters, its bytes checked to lie in the list but not read.
    std::optional<qint64> stringLength(quint64 ref) const;
    // Hands a string's characters to `sink` in pieces, checking each piece as string() does,
    // until the string ends or `sink` stops; false for anything that is not a well-formed
    // string up to where reading stopped. Nothing is kept, so any length reads in bounded
    // memory.
    bool scanString(quint64 ref, const StringSink& sink);
    // Hands a data object's content (not in the hole) to `sink` in pieces, as scanString does.
    bool scanData(const DataRef& ref, const DataSink& sink);
    // An array's member count and its first `maxMembers` references; the rest of the
    // references are checked to lie in the list but not read.
    std::optional<ArrayHead> arrayHead(quint64 ref, qint64 maxMembers);
    // Whether a request failed only because it was larger than a source read may be.
    bool exceededBounds() const { return m_exceeded; }

private:
    struct Header {
        quint8 marker = 0;
        qint64 count = 0;     // element count for sized objects
        qint64 contentAt = 0; // offset of the content after the marker (and count)
    };
    // The list's size (the input's, hole included); -1 for an impossible hole.
    void takeSize(qint64 inputSize);
    // The local offset of [offset, offset + length) when all of it is in the input.
    std::optional<qint64> local(qint64 offset, qint64 length) const;
    const char* at(qint64 offset, qint64 length) const;
    std::optional<quint64> readUnsigned(qint64 offset, int width) const;
    std::optional<qint64> objectOffset(quint64 ref) const;
    std::optional<Header> header(quint64 ref) const;
    std::optional<std::vector<quint64>> refs(qint64 at, qint64 count) const;
    bool spend(qint64 bytes);

    QByteArrayView m_bytes;
    const ByteSource* m_source = nullptr;
    mutable QByteArray m_window; // the last piece read from m_source
    mutable bool m_exceeded = false;
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
