#include "ItemEncoding.h"

#include "BinaryPlistReader.h"
#include "BinaryPlistWriter.h"

#include <QSet>

namespace {

std::optional<ClipboardItem> decodeItem(BinaryPlistReader& reader,
                                        const std::function<QByteArray()>& loadPng) {
    if (!reader.open()) {
        return std::nullopt;
    }
    const auto entries = reader.dict(reader.topObject());
    if (!entries) {
        return std::nullopt;
    }
    ClipboardItem item;
    bool haveKind = false;
    bool haveFiles = false;
    bool haveDate = false;
    QSet<QString> seenKeys;
    QSet<quint64> seenKeyRefs;

    for (const auto& [keyRef, valueRef] : *entries) {
        if (seenKeyRefs.contains(keyRef)) {
            return std::nullopt;
        }
        seenKeyRefs.insert(keyRef);
        const auto key = reader.string(keyRef);
        if (!key || seenKeys.contains(*key)) {
            return std::nullopt;
        }
        seenKeys.insert(*key);

        if (*key == u"kind") {
            const auto raw = reader.string(valueRef);
            const auto kind = raw ? clipboardKindFromRaw(*raw) : std::nullopt;
            if (!kind) {
                return std::nullopt;
            }
            item.kind = *kind;
            haveKind = true;
        } else if (*key == u"text" || *key == u"html" || *key == u"sourceBundleID") {
            auto s = reader.string(valueRef);
            if (!s) {
                return std::nullopt;
            }
            if (*key == u"text") {
                item.text = std::move(*s);
            } else if (*key == u"html") {
                item.html = std::move(*s);
            } else {
                item.sourceBundleID = std::move(*s);
            }
        } else if (*key == u"rtf" || *key == u"imagePNG") {
            const auto ref = reader.data(valueRef);
            if (!ref) {
                return std::nullopt;
            }
            if (ref->inHole) {
                if (*key != u"imagePNG" || !loadPng) {
                    return std::nullopt;
                }
                item.imagePNG = Blob::deferred(ref->length, loadPng);
                continue;
            }
            auto bytes = reader.dataBytes(*ref);
            if (!bytes) {
                return std::nullopt;
            }
            if (*key == u"rtf") {
                item.rtf = std::move(*bytes);
            } else {
                item.imagePNG = Blob(std::move(*bytes));
            }
        } else if (*key == u"files") {
            const auto members = reader.array(valueRef);
            if (!members) {
                return std::nullopt;
            }
            QStringList files;
            files.reserve(static_cast<qsizetype>(members->size()));
            for (quint64 m : *members) {
                auto path = reader.string(m);
                if (!path) {
                    return std::nullopt;
                }
                files.append(std::move(*path));
            }
            item.files = std::move(files);
            haveFiles = true;
        } else if (*key == u"createdAt") {
            const auto d = reader.date(valueRef);
            if (!d) {
                return std::nullopt;
            }
            item.createdAt = Instant(*d);
            haveDate = true;
        }
        // Any other key is ignored.
    }
    if (!haveKind || !haveFiles || !haveDate) {
        return std::nullopt;
    }
    return item;
}

} // namespace

ItemEncoding::Encoded ItemEncoding::encode(const ClipboardItem& item) {
    BinaryPlistWriter w;
    const auto dict = w.addDict();
    auto put = [&](const char* key, BinaryPlistWriter::Ref value) {
        w.insertIntoDict(dict, w.addString(QString::fromLatin1(key)), value);
    };
    BinaryPlistWriter::Ref pngRef = static_cast<BinaryPlistWriter::Ref>(-1);
    QByteArray png;

    put("kind", w.addString(rawValue(item.kind)));
    if (item.text) {
        put("text", w.addString(*item.text));
    }
    if (item.rtf) {
        put("rtf", w.addData(*item.rtf));
    }
    if (item.html) {
        put("html", w.addString(*item.html));
    }
    if (item.imagePNG) {
        png = item.imagePNG->bytes();
        pngRef = w.addData(png);
        put("imagePNG", pngRef);
    }
    const auto files = w.addArray();
    for (const QString& path : item.files) {
        w.appendToArray(files, w.addString(path));
    }
    put("files", files);
    put("createdAt", w.addDate(item.createdAt.secondsSinceReference()));
    if (item.sourceBundleID) {
        put("sourceBundleID", w.addString(*item.sourceBundleID));
    }

    Encoded out;
    qint64 offset = -1;
    out.bytes = w.finish(pngRef, &offset);
    if (item.imagePNG) {
        out.pngOffset = offset;
        out.pngLength = png.size();
    }
    return out;
}

std::optional<ClipboardItem> ItemEncoding::decode(QByteArrayView bytes) {
    BinaryPlistReader reader(bytes);
    return decodeItem(reader, {});
}

std::optional<ClipboardItem> ItemEncoding::decodeWithoutPng(QByteArrayView head, qint64 pngOffset,
                                                            qint64 pngLength,
                                                            std::function<QByteArray()> loadPng) {
    BinaryPlistReader reader(head, BinaryPlistReader::Hole{pngOffset, pngLength});
    return decodeItem(reader, loadPng);
}
