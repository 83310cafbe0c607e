#include "LinkPolicy.h"

#include <array>

namespace {

// Which arguments fill the sentence's %1 and %2.
enum class Args { None, Slot, TwoNumbers, SlotAndTransform, TitleAndBody };

struct Row {
    const char16_t* action;
    LinkPolicy::Handling handling;
    bool pressesKeys;
    Args args;
    const char16_t* wording;
};

using H = LinkPolicy::Handling;

// One row per action of the automation bridge.
constexpr std::array<Row, 20> table{{
    {u"summon", H::AtOnce, false, Args::None, u""},
    {u"show-tab", H::AtOnce, false, Args::None, u""},
    {u"next-tab", H::AtOnce, false, Args::None, u""},
    {u"prev-tab", H::AtOnce, false, Args::None, u""},
    {u"dump", H::AtOnce, false, Args::None, u""},
    {u"reload-hotkeys", H::AtOnce, false, Args::None, u""},
    {u"capture-to-slot", H::Ask, false, Args::Slot,
     u"A link asks Stashwick to put what is on the clipboard into slot %1, replacing what the "
     u"slot holds"},
    {u"copy-to-slot", H::Ask, true, Args::Slot,
     u"A link asks Stashwick to copy the selection of the window in front into slot %1"},
    {u"load-slot", H::Ask, false, Args::Slot,
     u"A link asks Stashwick to put slot %1 on the clipboard"},
    {u"paste-slot", H::Ask, true, Args::Slot,
     u"A link asks Stashwick to paste slot %1 into the window in front"},
    {u"clear-slot", H::Ask, false, Args::Slot,
     u"A link asks Stashwick to empty slot %1, even if it is pinned"},
    {u"pin-slot", H::Ask, false, Args::Slot, u"A link asks Stashwick to pin or unpin slot %1"},
    {u"clear-unpinned", H::Ask, false, Args::None,
     u"A link asks Stashwick to empty every slot that is not pinned"},
    {u"transform-slot", H::Ask, false, Args::SlotAndTransform,
     u"A link asks Stashwick to put slot %1 on the clipboard %2"},
    {u"move-slot", H::Ask, false, Args::TwoNumbers,
     u"A link asks Stashwick to swap slots %1 and %2"},
    {u"load-stat", H::Ask, false, Args::TwoNumbers,
     u"A link asks Stashwick to put the most copied content at rank %1 into slot %2"},
    {u"history-to-slot", H::Ask, false, Args::TwoNumbers,
     u"A link asks Stashwick to put clipboard history entry %1 (1 is the newest) into slot %2"},
    {u"add-snippet", H::Ask, false, Args::TitleAndBody,
     u"A link asks Stashwick to add a snippet titled \u201c%1\u201d with the text \u201c%2\u201d"},
    {u"copy-snippet", H::Ask, false, Args::Slot,
     u"A link asks Stashwick to put snippet %1 on the clipboard, its placeholders filled in"},
    {u"delete-snippet", H::Ask, false, Args::Slot, u"A link asks Stashwick to delete snippet %1"},
}};

const Row* rowFor(const QString& action) {
    for (const Row& row : table) {
        if (action == QStringView(row.action)) {
            return &row;
        }
    }
    return nullptr;
}

QString number(const QList<qint64>& ints, qsizetype at) {
    return at < ints.size() ? QString::number(ints[at]) : QStringLiteral("(no number)");
}

// How the clipboard receives the slot, after "on the clipboard".
QString transformPhrase(PasteTransform t) {
    switch (t) {
    case PasteTransform::None:
        return QStringLiteral("as it is");
    case PasteTransform::Plain:
        return QStringLiteral("as plain text");
    case PasteTransform::Lowercased:
        return QStringLiteral("in lower case");
    case PasteTransform::Uppercased:
        return QStringLiteral("in upper case");
    case PasteTransform::Titlecased:
        return QStringLiteral("in title case");
    case PasteTransform::Trimmed:
        return QStringLiteral("with the spaces around it trimmed");
    }
    return QString();
}

} // namespace

LinkPolicy::Handling LinkPolicy::handling(const AutomationUrl& url) {
    const Row* row = rowFor(url.action());
    return row ? row->handling : Handling::Refuse;
}

bool LinkPolicy::pressesKeys(const AutomationUrl& url) {
    const Row* row = rowFor(url.action());
    return row && row->pressesKeys;
}

QString LinkPolicy::describe(const AutomationUrl& url) {
    const Row* row = rowFor(url.action());
    if (!row || row->handling != Handling::Ask) {
        return QString();
    }
    const QString wording = QString::fromUtf16(row->wording);
    const QList<qint64> ints = url.intArgs();
    const QStringList strings = url.stringArgs();
    switch (row->args) {
    case Args::None:
        return wording;
    case Args::Slot:
        return wording.arg(number(ints, 0));
    case Args::TwoNumbers:
        return wording.arg(number(ints, 0), number(ints, 1));
    case Args::SlotAndTransform:
        return wording.arg(number(ints, 0), transformPhrase(url.transformArg()));
    case Args::TitleAndBody: {
        const QString title = strings.value(0);
        return wording.arg(shown(title), shown(strings.size() >= 2 ? strings[1] : title));
    }
    }
    return wording;
}

QStringList LinkPolicy::actions() {
    QStringList out;
    for (const Row& row : table) {
        out << QString::fromUtf16(row.action);
    }
    return out;
}

QString LinkPolicy::shown(const QString& text, qsizetype limit) {
    QString out;
    out.reserve(std::min(text.size(), limit) + 1);
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QString piece;
        const QChar c = text[i];
        if (c == u'\n' || c == u'\r') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i; // one mark for a CR LF pair
            }
            piece = QStringLiteral("\u21b5");
        } else if (c == u'\t') {
            piece = QStringLiteral(" ");
        } else if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            if (QChar::category(QChar::surrogateToUcs4(c, text[i + 1])) != QChar::Other_Format) {
                piece = text.mid(i, 2);
            }
            ++i;
        } else if (!c.isSurrogate() && c.category() != QChar::Other_Format &&
                   c.category() != QChar::Other_Control) {
            piece = c;
        }
        if (piece.isEmpty()) {
            continue; // invisible, or a lone half of a surrogate pair
        }
        if (count >= limit) {
            out += u'\u2026';
            break;
        }
        out += piece;
        ++count;
    }
    return out;
}
