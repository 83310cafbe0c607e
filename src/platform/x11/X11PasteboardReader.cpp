#include "X11PasteboardReader.h"

#include "clipboard/ImageConversion.h"
#include "clipboard/Pasteboard.h"

namespace {
const QStringList bookkeeping{QStringLiteral("TARGETS"), QStringLiteral("MULTIPLE"),
                              QStringLiteral("TIMESTAMP"), QStringLiteral("SAVE_TARGETS")};
// Text targets, the most faithful first.
const QStringList textTargets{
    QStringLiteral("UTF8_STRING"), QStringLiteral("text/plain;charset=utf-8"),
    QStringLiteral("text/plain"),  QStringLiteral("STRING"),
    QStringLiteral("TEXT"),        QStringLiteral("COMPOUND_TEXT")};
} // namespace

X11PasteboardReader::X11PasteboardReader(std::unique_ptr<X11SelectionReader> reader,
                                         QString selection, qint64 contentLimit)
    : m_reader(std::move(reader)), m_selection(std::move(selection)), m_contentLimit(contentLimit) {
}

std::unique_ptr<X11PasteboardReader> X11PasteboardReader::forQtDisplay(const QString& selection) {
    auto reader = X11SelectionReader::forQtDisplay(stallMs);
    if (!reader) {
        return nullptr;
    }
    return std::make_unique<X11PasteboardReader>(std::move(reader), selection);
}

bool X11PasteboardReader::ownedElsewhere() {
    const quint32 owner = m_reader->owner(m_selection);
    if (owner != m_owner) {
        contentChanged();
        m_owner = owner;
    }
    return owner != 0 && !m_reader->isQtWindow(owner);
}

void X11PasteboardReader::contentChanged() {
    m_targets.reset();
    m_stalled = false;
    m_oversize.reset();
}

QStringList X11PasteboardReader::mimeTypes(const QStringList& targets) {
    QStringList types;
    for (const QString& t : targets) {
        if (bookkeeping.contains(t)) {
            continue;
        }
        types << (textTargets.contains(t) ? QStringLiteral("text/plain") : t);
    }
    types.removeDuplicates();
    return types;
}

std::optional<QString> X11PasteboardReader::targetFor(const QString& type,
                                                      const QStringList& targets) {
    if (type == Pasteboard::stringType) {
        for (const QString& t : textTargets) {
            if (targets.contains(t)) {
                return t;
            }
        }
        return std::nullopt;
    }
    return targets.contains(type) ? std::optional<QString>(type) : std::nullopt;
}

bool X11PasteboardReader::knowTargets() {
    if (m_stalled) {
        return false;
    }
    if (!m_targets) {
        const auto atoms = fetch(QStringLiteral("TARGETS"));
        if (!atoms) {
            return false;
        }
        m_targets = m_reader->atomNames(*atoms);
    }
    return true;
}

std::optional<QByteArray> X11PasteboardReader::fetch(const QString& target) {
    if (m_stalled || m_oversize) {
        return std::nullopt;
    }
    auto reply =
        m_reader->read(m_selection, target, m_contentLimit, ContentLimit::unsizedHoldBytes);
    if (reply.status == X11SelectionReader::Status::Stalled) {
        m_stalled = true;
    }
    if (reply.status == X11SelectionReader::Status::TooLarge) {
        m_oversize = Oversize{reply.size, reply.sizeIsLowerBound};
    }
    if (reply.status != X11SelectionReader::Status::Ok || reply.bytes.isEmpty()) {
        return std::nullopt;
    }
    return std::move(reply.bytes);
}

std::optional<QStringList> X11PasteboardReader::types() {
    if (!knowTargets()) {
        return std::nullopt;
    }
    QStringList types = mimeTypes(*m_targets);
    return types.isEmpty() ? std::nullopt : std::optional<QStringList>(std::move(types));
}

std::optional<QByteArray> X11PasteboardReader::data(const QString& type) {
    if (!knowTargets()) {
        return std::nullopt;
    }
    const auto target = targetFor(type, *m_targets);
    return target ? fetch(*target) : std::nullopt;
}

std::optional<QString> X11PasteboardReader::string(const QString& type) {
    if (!knowTargets()) {
        return std::nullopt;
    }
    const auto target = targetFor(type, *m_targets);
    const auto bytes = target ? fetch(*target) : std::nullopt;
    if (!bytes) {
        return std::nullopt;
    }
    if (*target == QLatin1String("STRING")) {
        return QString::fromLatin1(*bytes); // ISO 8859-1 by definition
    }
    return Pasteboard::decodeText(*bytes);
}

std::optional<QByteArray> X11PasteboardReader::firstImageTiff() {
    if (!knowTargets()) {
        return std::nullopt;
    }
    return ImageConversion::firstImageTiff(*m_targets,
                                           [this](const QString& t) { return fetch(t); });
}
