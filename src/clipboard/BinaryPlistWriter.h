#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

// Writes a binary property list ("bplist00") from a flat list of objects. Containers refer
// to other objects by index; object 0 is the top object. Strings are written as ASCII when
// every character is below 0x80, otherwise as UTF-16 big-endian. Offsets and references
// use the smallest width that fits.
class BinaryPlistWriter {
public:
    using Ref = std::size_t;

    Ref addString(const QString& s);
    Ref addData(const QByteArray& bytes);
    Ref addDate(double secondsSinceReference);
    // Containers are added empty and filled in afterwards, so their members can follow them.
    Ref addArray();
    Ref addDict();
    void appendToArray(Ref array, Ref member);
    void insertIntoDict(Ref dict, Ref key, Ref value);

    // Serialises every object. `dataOffset` receives, for object `watch` (a data object),
    // the offset at which its content bytes start; untouched when `watch` is not data.
    QByteArray finish(Ref watch = static_cast<Ref>(-1), qint64* dataOffset = nullptr) const;

private:
    enum class Type { String, Data, Date, Array, Dict };
    struct Object {
        Type type;
        QString string;
        QByteArray data;
        double date = 0;
        std::vector<Ref> members; // array members, or dict keys then values interleaved
    };
    std::vector<Object> m_objects;
};
