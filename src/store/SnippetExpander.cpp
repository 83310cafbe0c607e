#include "SnippetExpander.h"

#include "SlotStore.h"
#include "clipboard/ClipboardAccess.h"

#include <QRegularExpression>

QString SnippetExpander::expand(const QString& body, const std::optional<QString>& clipboard,
                                const QMap<int, QString>& slots, Instant now,
                                const QLocale& locale) {
    QString text = body;
    text.replace(QStringLiteral("{clipboard}"), clipboard.value_or(QString()));
    for (int n = 0; n <= 9; ++n) {
        const QString token = QStringLiteral("{slot%1}").arg(n);
        if (text.contains(token)) {
            text.replace(token, slots.value(n));
        }
    }
    if (text.contains(QStringLiteral("{date}"))) {
        text.replace(QStringLiteral("{date}"), mediumDate(now, locale));
    }
    if (text.contains(QStringLiteral("{time}"))) {
        text.replace(QStringLiteral("{time}"), shortTime(now, locale));
    }
    return text;
}

QString SnippetExpander::mediumDate(Instant when, const QLocale& locale) {
    // Qt has short and long date formats only; the medium one is the long one without the
    // weekday and with abbreviated month names. The weekday goes with the separator that
    // joins it to the date: after it where it leads ("dddd, MMMM d"), before it where it
    // trails ("yyyy. MMMM d., dddd" in Hungarian).
    QString format = locale.dateFormat(QLocale::LongFormat);
    static const QRegularExpression weekday(QStringLiteral("[\\s,]*d{4}\\s*$|d{4}[,.]?\\s*"));
    format.remove(weekday);
    format.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
    format = format.trimmed();
    if (format.isEmpty()) {
        format = locale.dateFormat(QLocale::ShortFormat);
    }
    return locale.toString(when.toDateTime().toLocalTime().date(), format);
}

QString SnippetExpander::shortTime(Instant when, const QLocale& locale) {
    // Newer locale data (Qt 6.8 on) puts a narrow no-break space before "AM" and "PM", some
    // locales a no-break space. A snippet is plain text typed into any application: a plain
    // space reads the same everywhere, in terminals and old fonts too, whatever Qt's version.
    QString time = locale.toString(when.toDateTime().toLocalTime().time(), QLocale::ShortFormat);
    time.replace(QChar(0x202F), QLatin1Char(' '));
    time.replace(QChar(0x00A0), QLatin1Char(' '));
    return time;
}

QString SnippetExpander::use(const QString& body, const SlotStore& slots,
                             ClipboardAccess& clipboard, Instant now, const QLocale& locale) {
    QMap<int, QString> texts;
    const auto items = slots.allItems();
    for (int i = 0; i < SlotStore::slotCount; ++i) {
        const auto& item = items[static_cast<std::size_t>(i)];
        if (item && item->text && !item->text->isEmpty()) {
            texts.insert(i, *item->text);
        }
    }
    const auto current = clipboard.read();
    const std::optional<QString> clipboardText = current ? current->text : std::nullopt;
    const QString expanded = expand(body, clipboardText, texts, now, locale);
    clipboard.write(ClipboardItem::makeText(expanded, now));
    return expanded;
}
