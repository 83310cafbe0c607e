#include "ItemEncoding.h"

#include "BinaryPlistReader.h"
#include "BinaryPlistWriter.h"
#include "BoundedTextPreview.h"
#include "ByteSource.h"

#include <QFileInfo>
#include <QSet>
#include <cstring>

namespace {

class ViewSource : public ByteSource {
public:
    explicit ViewSource(QByteArrayView bytes) : m_bytes(bytes) {}
    qint64 size() const override { return m_bytes.size(); }
    bool read(qint64 offset, qint64 length, char* out) const override {
        if (offset < 0 || length < 0 || offset > m_bytes.size() ||
            length > m_bytes.size() - offset) {
            return false;
        }
        if (length > 0) {
            std::memcpy(out, m_bytes.data() + offset, static_cast<std::size_t>(length));
        }
        return true;
    }

private:
    QByteArrayView m_bytes;
};

// The dictionary keys an item may hold once each: every key object and every key text at
// most once. Absent for a key that is not a string or comes again.
class UniqueKeys {
public:
    std::optional<QString> next(BinaryPlistReader& reader, quint64 keyRef) {
        if (m_refs.contains(keyRef)) {
            return std::nullopt;
        }
        m_refs.insert(keyRef);
        auto key = reader.string(keyRef);
        if (!key || m_texts.contains(*key)) {
            return std::nullopt;
        }
        m_texts.insert(*key);
        return key;
    }

private:
    QSet<quint64> m_refs;
    QSet<QString> m_texts;
};

std::optional<ClipboardKind> readKind(BinaryPlistReader& reader, quint64 ref) {
    const auto raw = reader.string(ref);
    return raw ? clipboardKindFromRaw(*raw) : std::nullopt;
}

// The summary's preview of a file list, as ClipboardItem::boundedPreview makes it: names are
// read only while the cut can still fall after them.
std::optional<QString> fileNames(BinaryPlistReader& reader,
                                 const BinaryPlistReader::ArrayHead& files, qsizetype maxChars) {
    QString names;
    for (qint64 i = 0; i < files.count && names.size() <= maxChars; ++i) {
        if (i >= static_cast<qint64>(files.members.size())) {
            return std::nullopt;
        }
        if (i > 0) {
            names += QStringLiteral(", ");
        }
        const auto path = reader.string(files.members[static_cast<std::size_t>(i)]);
        if (!path) {
            return std::nullopt;
        }
        names += QFileInfo(*path).fileName();
    }
    return ClipboardItem::cutPreview(names, maxChars);
}

std::optional<ItemSummary> summarizeItem(BinaryPlistReader& reader, bool pngCut,
                                         qsizetype maxChars) {
    maxChars = std::max<qsizetype>(maxChars, 0);
    if (!reader.open()) {
        return std::nullopt;
    }
    const auto entries = reader.dict(reader.topObject());
    if (!entries) {
        return std::nullopt;
    }
    ItemSummary out;
    bool haveKind = false;
    bool haveDate = false;
    std::optional<quint64> textRef;
    std::optional<BinaryPlistReader::ArrayHead> files;
    UniqueKeys keys;

    // The same keys, types and duplicates are checked as decodeItem checks them.
    for (const auto& [keyRef, valueRef] : *entries) {
        const auto key = keys.next(reader, keyRef);
        if (!key) {
            return std::nullopt;
        }
        if (*key == u"kind") {
            const auto kind = readKind(reader, valueRef);
            if (!kind) {
                return std::nullopt;
            }
            out.kind = *kind;
            haveKind = true;
        } else if (*key == u"text" || *key == u"html" || *key == u"sourceBundleID") {
            const auto length = reader.stringLength(valueRef);
            if (!length) {
                return std::nullopt;
            }
            if (*key == u"text") {
                out.sizes.text = *length;
                textRef = valueRef;
            } else if (*key == u"html") {
                out.sizes.html = *length;
            }
        } else if (*key == u"rtf" || *key == u"imagePNG") {
            const auto ref = reader.data(valueRef);
            if (!ref || (ref->inHole && (*key != u"imagePNG" || !pngCut))) {
                return std::nullopt;
            }
            (*key == u"rtf" ? out.sizes.rtf : out.sizes.png) = ref->length;
        } else if (*key == u"files") {
            // Two characters of separator a name: no more names than this reach the cut.
            files = reader.arrayHead(valueRef, maxChars / 2 + 2);
            if (!files) {
                return std::nullopt;
            }
            out.sizes.files = files->count;
        } else if (*key == u"createdAt") {
            if (!reader.date(valueRef)) {
                return std::nullopt;
            }
            haveDate = true;
        }
    }
    if (!haveKind || !files || !haveDate) {
        return std::nullopt;
    }

    switch (out.kind) {
    case ClipboardKind::Text:
    case ClipboardKind::RichText: {
        BoundedTextPreview preview(maxChars);
        if (textRef &&
            !reader.scanString(*textRef, [&](QStringView piece) { return preview.add(piece); })) {
            return std::nullopt;
        }
        out.preview = preview.result();
        break;
    }
    case ClipboardKind::Files: {
        auto names = fileNames(reader, *files, maxChars);
        if (!names) {
            return std::nullopt;
        }
        out.preview = std::move(*names);
        break;
    }
    case ClipboardKind::Image:
        out.preview = ClipboardItem::cutPreview(u"Image", maxChars);
        break;
    case ClipboardKind::Empty:
        break;
    }
    return out;
}

// Whether the string at `ref` is `expected`, read a piece at a time.
std::optional<bool> sameString(BinaryPlistReader& reader, quint64 ref, const QString& expected) {
    const auto length = reader.stringLength(ref);
    if (!length) {
        return std::nullopt;
    }
    if (*length != expected.size()) {
        return false;
    }
    qsizetype at = 0;
    bool same = true;
    const bool read = reader.scanString(ref, [&](QStringView piece) {
        same = at + piece.size() <= expected.size() &&
               QStringView(expected).sliced(at, piece.size()) == piece;
        at += piece.size();
        return same;
    });
    if (!read) {
        return std::nullopt;
    }
    return same && at == expected.size();
}

// Whether the data at `ref` is `expected`, read a piece at a time.
std::optional<bool> sameData(BinaryPlistReader& reader, const BinaryPlistReader::DataRef& ref,
                             const QByteArray& expected) {
    if (ref.length != expected.size()) {
        return false;
    }
    qsizetype at = 0;
    bool same = true;
    const bool read = reader.scanData(ref, [&](QByteArrayView piece) {
        same = QByteArrayView(expected).sliced(at, piece.size()) == piece;
        at += piece.size();
        return same;
    });
    if (!read) {
        return std::nullopt;
    }
    return same;
}

// The comparison of ItemEncoding::sameContent, over the keys decodeItem reads and checks.
std::optional<bool> matchItem(BinaryPlistReader& reader, const ClipboardItem& item,
                              const std::function<bool()>& samePng) {
    if (!reader.open()) {
        return std::nullopt;
    }
    const auto entries = reader.dict(reader.topObject());
    if (!entries) {
        return std::nullopt;
    }
    bool same = true;
    bool haveKind = false;
    bool haveFiles = false;
    bool haveDate = false;
    bool haveText = false;
    bool haveHtml = false;
    bool haveRtf = false;
    bool havePng = false;
    UniqueKeys keys;
    // Each flavour is compared only while everything before it matched.
    const auto note = [&same](std::optional<bool> match) {
        if (!match) {
            return false;
        }
        same = same && *match;
        return true;
    };
    for (const auto& [keyRef, valueRef] : *entries) {
        const auto key = keys.next(reader, keyRef);
        if (!key) {
            return std::nullopt;
        }
        if (*key == u"kind") {
            const auto kind = readKind(reader, valueRef);
            if (!kind) {
                return std::nullopt;
            }
            same = same && *kind == item.kind;
            haveKind = true;
        } else if (*key == u"text" || *key == u"html") {
            const bool text = *key == u"text";
            const std::optional<QString>& expected = text ? item.text : item.html;
            (text ? haveText : haveHtml) = true;
            if (!expected) {
                same = false;
            } else if (same && !note(sameString(reader, valueRef, *expected))) {
                return std::nullopt;
            }
        } else if (*key == u"sourceBundleID") {
            if (!reader.stringLength(valueRef)) {
                return std::nullopt;
            }
        } else if (*key == u"rtf" || *key == u"imagePNG") {
            const auto ref = reader.data(valueRef);
            const bool rtf = *key == u"rtf";
            if (!ref || (ref->inHole && (rtf || !samePng))) {
                return std::nullopt;
            }
            (rtf ? haveRtf : havePng) = true;
            if (rtf ? !item.rtf : !item.imagePNG) {
                same = false;
            } else if (same && ref->inHole) {
                same = samePng();
            } else if (same && ref->length != (rtf ? item.rtf->size() : item.imagePNG->size())) {
                same = false;
            } else if (same &&
                       !note(sameData(reader, *ref, rtf ? *item.rtf : item.imagePNG->bytes()))) {
                return std::nullopt;
            }
        } else if (*key == u"files") {
            const auto members = reader.array(valueRef);
            if (!members) {
                return std::nullopt;
            }
            haveFiles = true;
            same = same && static_cast<qsizetype>(members->size()) == item.files.size();
            for (std::size_t i = 0; same && i < members->size(); ++i) {
                if (!note(sameString(reader, (*members)[i], item.files[qsizetype(i)]))) {
                    return std::nullopt;
                }
            }
        } else if (*key == u"createdAt") {
            if (!reader.date(valueRef)) {
                return std::nullopt;
            }
            haveDate = true;
        }
    }
    if (!haveKind || !haveFiles || !haveDate) {
        return std::nullopt;
    }
    return same && haveText == item.text.has_value() && haveHtml == item.html.has_value() &&
           haveRtf == item.rtf.has_value() && havePng == item.imagePNG.has_value();
}

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
    UniqueKeys keys;

    for (const auto& [keyRef, valueRef] : *entries) {
        const auto key = keys.next(reader, keyRef);
        if (!key) {
            return std::nullopt;
        }
        if (*key == u"kind") {
            const auto kind = readKind(reader, valueRef);
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

qint64 ItemEncoding::minimumSize(const ClipboardItem& item) {
    qint64 size = 8 + 32; // header and trailer
    size += item.text ? item.text->size() : 0;
    size += item.rtf ? item.rtf->size() : 0;
    size += item.html ? item.html->size() : 0;
    size += item.imagePNG ? item.imagePNG->size() : 0;
    size += item.sourceBundleID ? item.sourceBundleID->size() : 0;
    for (const QString& path : item.files) {
        size += path.size();
    }
    return size;
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

std::optional<ItemSummary> ItemEncoding::summarize(const ByteSource& source,
                                                   std::optional<qint64> pngOffset,
                                                   qint64 pngLength, qsizetype maxChars) {
    std::optional<BinaryPlistReader::Hole> hole;
    if (pngOffset) {
        hole = BinaryPlistReader::Hole{*pngOffset, pngLength};
    }
    BinaryPlistReader reader(source, hole);
    auto summary = summarizeItem(reader, hole.has_value(), maxChars);
    if (summary || !reader.exceededBounds()) {
        return summary;
    }
    // Too large a structure to read piece by piece: the whole encoding, decoded as usual.
    QByteArray all(source.size(), Qt::Uninitialized);
    if (!source.read(0, all.size(), all.data())) {
        return std::nullopt;
    }
    const auto item =
        pngOffset ? decodeWithoutPng(all, *pngOffset, pngLength, [] { return QByteArray(); })
                  : decode(all);
    if (!item) {
        return std::nullopt;
    }
    return ItemSummary{item->kind, item->boundedPreview(maxChars), ItemSummary::sizesOf(*item)};
}

std::optional<bool> ItemEncoding::sameContent(const ByteSource& source,
                                              std::optional<qint64> pngOffset, qint64 pngLength,
                                              const ClipboardItem& item,
                                              const std::function<bool()>& samePng) {
    std::optional<BinaryPlistReader::Hole> hole;
    if (pngOffset) {
        hole = BinaryPlistReader::Hole{*pngOffset, pngLength};
    }
    BinaryPlistReader reader(source, hole);
    return matchItem(reader, item, samePng);
}

std::optional<ItemSummary> ItemEncoding::summarize(QByteArrayView bytes, qsizetype maxChars) {
    return summarize(ViewSource(bytes), std::nullopt, 0, maxChars);
}
