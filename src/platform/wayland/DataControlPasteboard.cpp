#include "DataControlPasteboard.h"

#include "DataControlPipeReader.h"
#include "clipboard/ImageConversion.h"
#include "core/Log.h"

#include <QClipboard>
#include <QMimeData>
#include <algorithm>

namespace {
const QString utf8PlainType = QStringLiteral("text/plain;charset=utf-8");
const QString latin1Type = QStringLiteral("STRING");
// Text types, the most faithful first.
const QStringList textTypes{
    utf8PlainType, QStringLiteral("UTF8_STRING"),  Pasteboard::stringType, QStringLiteral("TEXT"),
    latin1Type,    QStringLiteral("COMPOUND_TEXT")};
// X11 selection bookkeeping targets that XWayland may pass on; not content.
const QStringList bookkeeping{QStringLiteral("TARGETS"), QStringLiteral("MULTIPLE"),
                              QStringLiteral("TIMESTAMP"), QStringLiteral("SAVE_TARGETS")};

// The rank of a text type in `textTypes` (charset spelled in any case, with or without a
// space), or -1.
qsizetype textRank(const QString& type) {
    QString t = type;
    t.remove(QLatin1Char(' '));
    if (t.compare(utf8PlainType, Qt::CaseInsensitive) == 0) {
        return 0;
    }
    return textTypes.indexOf(type);
}
} // namespace

DataControlPasteboard::DataControlPasteboard(DataControlDevice& device,
                                             DataControlDevice::Selection selection,
                                             QClipboard* windows, QObject* parent,
                                             qint64 contentLimit)
    : QObject(parent), m_device(device), m_selection(selection), m_contentLimit(contentLimit),
      m_windows(windows) {
    connect(&m_device, &DataControlDevice::selectionChanged, this,
            &DataControlPasteboard::selectionChanged);
    connect(&m_device, &DataControlDevice::served, this, &DataControlPasteboard::served);
}

void DataControlPasteboard::served(DataControlDevice::SourceId source, bool finished) {
    if (!m_published.contains(source)) {
        return; // a source of the other selection
    }
    m_notifier.notifyServed(finished ? ClipboardEvents::Served::Finished
                                     : ClipboardEvents::Served::Started);
}

bool DataControlPasteboard::isAvailable() const {
    return m_selection == DataControlDevice::Selection::Clipboard ? m_device.isActive()
                                                                  : m_device.hasPrimary();
}

void DataControlPasteboard::selectionChanged(DataControlDevice::Selection selection) {
    if (selection != m_selection) {
        return;
    }
    // While a source of ours holds the selection, every selection event is the compositor's
    // word of our own write, counted when it was made: the word of a write that a second one
    // of ours followed at once, and each time the compositor says it again (KWin 5.27 says it
    // twice, the second time once the offer has its types). A source of ours that another
    // program's copy replaced is cancelled by now, and that copy is a change.
    if (!isOwn()) {
        ++m_changeCount;
    }
    m_stalled = false;
    m_oversize.reset();
    m_cleared = false;
    if (m_own != 0 && !m_device.isSourceLive(m_own)) {
        m_own = 0;
        m_ownFlavours.clear();
    }
    m_notifier.notifyChanged();
}

const QMimeData* DataControlPasteboard::windowsContent() const {
    if (!m_windows) {
        return nullptr;
    }
    const bool clipboard = m_selection == DataControlDevice::Selection::Clipboard;
    if (clipboard ? !m_windows->ownsClipboard() : !m_windows->ownsSelection()) {
        return nullptr;
    }
    return m_windows->mimeData(clipboard ? QClipboard::Clipboard : QClipboard::Selection);
}

std::optional<QByteArray> DataControlPasteboard::windowsData(const QMimeData& content,
                                                             const QString& type) {
    if (m_oversize) {
        return std::nullopt;
    }
    QByteArray bytes;
    if (type == stringType) {
        bytes = content.text().toUtf8();
    } else if (content.hasFormat(type)) {
        bytes = content.data(type);
    }
    // Already in memory (our windows' own copy): only the same bound applies.
    if (bytes.size() > m_contentLimit) {
        m_oversize = Oversize{bytes.size(), false};
        return std::nullopt;
    }
    return bytes.isEmpty() ? std::nullopt : std::optional<QByteArray>(std::move(bytes));
}

QStringList DataControlPasteboard::mimeTypes(const QStringList& offered) {
    QStringList types;
    for (const QString& t : offered) {
        if (bookkeeping.contains(t)) {
            continue;
        }
        types << (textRank(t) >= 0 ? stringType : t);
    }
    types.removeDuplicates();
    return types;
}

std::optional<QString> DataControlPasteboard::offeredTypeFor(const QString& type,
                                                             const QStringList& offered) {
    if (type != stringType) {
        return offered.contains(type) ? std::optional<QString>(type) : std::nullopt;
    }
    std::optional<QString> best;
    qsizetype bestRank = textTypes.size();
    for (const QString& t : offered) {
        const qsizetype rank = textRank(t);
        if (rank >= 0 && rank < bestRank) {
            best = t;
            bestRank = rank;
        }
    }
    return best;
}

QList<Pasteboard::Flavour> DataControlPasteboard::offeredFlavours(const QList<Flavour>& flavours) {
    QList<Flavour> offered;
    const auto add = [&offered](const QString& type, const QByteArray& bytes) {
        const bool known = std::any_of(offered.begin(), offered.end(),
                                       [&type](const Flavour& f) { return f.first == type; });
        if (!known) {
            offered.append({type, bytes});
        }
    };
    for (const auto& [type, bytes] : flavours) {
        add(type, bytes);
        if (type == stringType) {
            add(utf8PlainType, bytes);
            add(QStringLiteral("UTF8_STRING"), bytes);
            add(QStringLiteral("TEXT"), bytes);
            add(latin1Type, QString::fromUtf8(bytes).toLatin1());
        }
    }
    return offered;
}

std::optional<QByteArray> DataControlPasteboard::ownData(const QString& type) const {
    for (const auto& [t, bytes] : m_ownFlavours) {
        if (t == type) {
            return bytes.isEmpty() ? std::nullopt : std::optional<QByteArray>(bytes);
        }
    }
    return std::nullopt;
}

std::optional<QByteArray> DataControlPasteboard::fetch(const QString& offeredType) {
    if (m_stalled || m_oversize) {
        return std::nullopt;
    }
    auto reply = DataControlPipeReader::readAll(m_device.receive(m_selection, offeredType),
                                                m_device.display(), stallMs, m_contentLimit,
                                                ContentLimit::unsizedHoldBytes);
    if (reply.status == DataControlPipeReader::Status::Measured) {
        // Known to fit now: asked for once more and kept whole (grown since, it is refused).
        reply = DataControlPipeReader::readAll(m_device.receive(m_selection, offeredType),
                                               m_device.display(), stallMs, m_contentLimit,
                                               m_contentLimit);
    }
    if (reply.status == DataControlPipeReader::Status::TooLarge) {
        m_oversize = Oversize{reply.size, true};
    }
    if (reply.status == DataControlPipeReader::Status::Stalled) {
        m_stalled = true;
        qCWarning(Log::app).noquote()
            << QStringLiteral("the owner of the %1 sent nothing of %2 for %3 ms; its content is "
                              "left alone until it changes")
                   .arg(m_selection == DataControlDevice::Selection::Clipboard
                            ? QStringLiteral("clipboard")
                            : QStringLiteral("primary selection"),
                        offeredType)
                   .arg(stallMs);
    }
    if (reply.status != DataControlPipeReader::Status::Ok || reply.bytes.isEmpty()) {
        return std::nullopt;
    }
    return std::move(reply.bytes);
}

std::optional<QStringList> DataControlPasteboard::types() {
    if (isOwn()) {
        QStringList types;
        for (const auto& [type, bytes] : m_ownFlavours) {
            types << type;
        }
        types.removeDuplicates();
        return types.isEmpty() ? std::nullopt : std::optional<QStringList>(std::move(types));
    }
    if (const QMimeData* content = windowsContent()) {
        QStringList types = mimeTypes(content->formats());
        return types.isEmpty() ? std::nullopt : std::optional<QStringList>(std::move(types));
    }
    if (m_cleared || m_stalled) {
        return std::nullopt;
    }
    const auto offered = m_device.offerTypes(m_selection);
    if (!offered) {
        return std::nullopt;
    }
    QStringList types = mimeTypes(*offered);
    return types.isEmpty() ? std::nullopt : std::optional<QStringList>(std::move(types));
}

std::optional<QByteArray> DataControlPasteboard::data(const QString& type) {
    if (isOwn()) {
        return ownData(type);
    }
    if (const QMimeData* content = windowsContent()) {
        return windowsData(*content, type);
    }
    if (m_cleared) {
        return std::nullopt;
    }
    const auto offered = m_device.offerTypes(m_selection);
    const auto source = offered ? offeredTypeFor(type, *offered) : std::nullopt;
    return source ? fetch(*source) : std::nullopt;
}

std::optional<QString> DataControlPasteboard::string(const QString& type) {
    if (isOwn()) {
        const auto bytes = ownData(type);
        return bytes ? std::optional<QString>(decodeText(*bytes)) : std::nullopt;
    }
    if (const QMimeData* content = windowsContent()) {
        const auto bytes = windowsData(*content, type);
        return bytes ? std::optional<QString>(decodeText(*bytes)) : std::nullopt;
    }
    if (m_cleared) {
        return std::nullopt;
    }
    const auto offered = m_device.offerTypes(m_selection);
    const auto source = offered ? offeredTypeFor(type, *offered) : std::nullopt;
    const auto bytes = source ? fetch(*source) : std::nullopt;
    if (!bytes) {
        return std::nullopt;
    }
    return *source == latin1Type ? QString::fromLatin1(*bytes) : decodeText(*bytes);
}

std::optional<QByteArray> DataControlPasteboard::firstImageTiff() {
    const auto offered = types();
    if (!offered) {
        return std::nullopt;
    }
    return ImageConversion::firstImageTiff(*offered, [this](const QString& t) { return data(t); });
}

void DataControlPasteboard::clearContents() {
    if (!isAvailable()) {
        return;
    }
    m_device.clearSelection(m_selection);
    m_own = 0;
    m_ownFlavours.clear();
    m_cleared = true;
}

void DataControlPasteboard::writeItem(const QList<Flavour>& flavours) {
    const auto source = m_device.setSelection(m_selection, offeredFlavours(flavours));
    if (source == 0) {
        return;
    }
    // Our write is a change now, as QClipboard's own writes are: a wait for the next change
    // that starts after this one must not end on the compositor's later word of it.
    ++m_changeCount;
    m_own = source;
    m_ownFlavours = flavours;
    m_cleared = false;
    m_published.insert(source);
    constexpr std::size_t kept = 16;
    while (m_published.size() > kept) {
        m_published.erase(m_published.begin());
    }
}
