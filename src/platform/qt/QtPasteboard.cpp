#include "QtPasteboard.h"

#include "clipboard/ContentLimit.h"
#include "clipboard/ImageConversion.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QMimeData>
#include <QUrl>

namespace {
// X11 selection bookkeeping targets, not content.
const QStringList bookkeeping{QStringLiteral("TARGETS"), QStringLiteral("MULTIPLE"),
                              QStringLiteral("TIMESTAMP"), QStringLiteral("SAVE_TARGETS")};

bool isEmptyResult(const QByteArray& v) {
    return v.isEmpty();
}
bool isEmptyResult(const QStringList& v) {
    return v.isEmpty();
}
bool isEmptyResult(const QString& v) {
    return v.isEmpty();
}
// The length of `s` in UTF-8, without encoding it.
qint64 utf8Size(QStringView s) {
    qint64 n = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c < 0x80) {
            n += 1;
        } else if (c < 0x800) {
            n += 2;
        } else if (QChar::isHighSurrogate(c) && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
            n += 4;
            ++i;
        } else {
            n += 3;
        }
    }
    return n;
}
} // namespace

QtPasteboard::QtPasteboard(QClipboard* clipboard, QClipboard::Mode mode, NativeSelection native,
                           QObject* parent)
    : QObject(parent), m_clipboard(clipboard), m_mode(mode) {
    if (m_clipboard) {
        m_reader = std::move(native.reader);
        if (native.watchRequests) {
            m_requests = native.watchRequests([this](bool finished) {
                m_notifier.notifyServed(finished ? ClipboardEvents::Served::Finished
                                                 : ClipboardEvents::Served::Started);
            });
        }
        connect(m_clipboard, &QClipboard::changed, this, [this](QClipboard::Mode changed) {
            if (changed == m_mode) {
                contentChanged();
            }
        });
    }
}

void QtPasteboard::contentChanged() {
    ++m_changeCount;
    m_stalled = false;
    m_oversize.reset();
    m_types.reset();
    if (m_reader) {
        m_reader->contentChanged();
    }
    m_notifier.notifyChanged();
}

bool QtPasteboard::holdsOwnWrite() const {
    if (!m_requests || !m_clipboard) {
        return true;
    }
    return m_mode == QClipboard::Clipboard ? m_clipboard->ownsClipboard()
                                           : m_clipboard->ownsSelection();
}

ForeignSelection* QtPasteboard::foreign() {
    return m_reader && m_reader->ownedElsewhere() ? m_reader.get() : nullptr;
}

const QMimeData* QtPasteboard::mime() const {
    return m_clipboard ? m_clipboard->mimeData(m_mode) : nullptr;
}

template <typename F> auto QtPasteboard::timed(F&& request) -> decltype(request()) {
    QElapsedTimer timer;
    timer.start();
    auto result = request();
    if (isEmptyResult(result) && timer.elapsed() >= timeoutMs) {
        m_stalled = true;
    }
    return result;
}

std::optional<Oversize> QtPasteboard::oversize() const {
    if (m_reader && m_reader->oversize()) {
        return m_reader->oversize();
    }
    return m_oversize;
}

bool QtPasteboard::withinLimit(qint64 bytes) {
    if (bytes <= ContentLimit::maxBytes) {
        return true;
    }
    m_oversize = Oversize{bytes, false};
    return false;
}

std::optional<QStringList> QtPasteboard::types() {
    if (auto* other = foreign()) {
        return other->types();
    }
    if (m_stalled) {
        return std::nullopt;
    }
    if (m_types) {
        return m_types;
    }
    const QMimeData* md = mime();
    if (!md) {
        return std::nullopt;
    }
    QStringList formats = timed([md] { return md->formats(); });
    if (m_stalled) {
        return std::nullopt;
    }
    formats.removeIf([](const QString& f) { return bookkeeping.contains(f); });
    formats.removeDuplicates();
    if (formats.isEmpty()) {
        return std::nullopt;
    }
    m_types = formats;
    return m_types;
}

std::optional<QByteArray> QtPasteboard::data(const QString& type) {
    if (auto* other = foreign()) {
        return other->data(type);
    }
    const auto t = types();
    const QMimeData* md = mime();
    if (!t || !t->contains(type) || !md || m_oversize) {
        return std::nullopt;
    }
    // QClipboard hands over nothing before it has read everything: content over the limit
    // is refused only once it is in memory, and dropped at once.
    QByteArray bytes = timed([md, &type] { return md->data(type); });
    if (bytes.isEmpty() || !withinLimit(bytes.size())) {
        return std::nullopt; // nothing came back (or it timed out)
    }
    return bytes;
}

std::optional<QString> QtPasteboard::string(const QString& type) {
    if (auto* other = foreign()) {
        return other->string(type);
    }
    const auto t = types();
    const QMimeData* md = mime();
    if (!t || !t->contains(type) || !md || m_oversize) {
        return std::nullopt;
    }
    if (type == stringType) {
        // Qt picks the best of UTF8_STRING, text/plain;charset=utf-8, STRING and TEXT. As for
        // data(), the size is known only once everything was read.
        QString text = timed([md] { return md->text(); });
        if (text.isEmpty() || !withinLimit(utf8Size(text))) {
            return std::nullopt;
        }
        return text;
    }
    const auto bytes = data(type);
    return bytes ? std::optional<QString>(decodeText(*bytes)) : std::nullopt;
}

std::optional<QByteArray> QtPasteboard::firstImageTiff() {
    if (auto* other = foreign()) {
        return other->firstImageTiff();
    }
    const auto t = types();
    if (!t) {
        return std::nullopt;
    }
    return ImageConversion::firstImageTiff(*t, [this](const QString& type) { return data(type); });
}

void QtPasteboard::clearContents() {
    if (m_clipboard) {
        m_clipboard->clear(m_mode);
    }
}

void QtPasteboard::writeItem(const QList<Flavour>& flavours) {
    if (!m_clipboard) {
        return;
    }
    auto* md = new QMimeData;
    for (const auto& [type, bytes] : flavours) {
        if (type == stringType) {
            md->setText(QString::fromUtf8(bytes));
        } else {
            md->setData(type, bytes);
        }
    }
    m_clipboard->setMimeData(md, m_mode);
}
