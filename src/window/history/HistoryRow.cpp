#include "HistoryRow.h"

#include "KindMark.h"
#include "core/Clock.h"
#include "store/RelativeTime.h"
#include "ui/IconChipButton.h"
#include "ui/Theme.h"
#include "window/ButtonMenu.h"
#include "window/WindowFonts.h"
#include "window/WrappingText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>

HistoryRow::HistoryRow(const Theme& theme, AsyncThumbnails& thumbnails, const Clock& clock,
                       QWidget* parent)
    : Card(theme, 10, parent), m_thumbnails(thumbnails), m_clock(clock),
      m_mark(new KindMark(theme, thumbnails, this)), m_preview(new WrappingText(this)),
      m_age(new QLabel(this)),
      m_copy(new IconChipButton(theme, QStringLiteral("doc.on.clipboard"),
                                QStringLiteral("Copy to clipboard"), theme.accentText(), this)),
      m_send(new IconChipButton(theme, QStringLiteral("tray.and.arrow.down"),
                                QStringLiteral("Send to a slot"), theme.accentText(), this)),
      m_delete(new IconChipButton(theme, QStringLiteral("trash"),
                                  QStringLiteral("Delete from history"), theme.accentText(),
                                  this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    row->addWidget(m_mark);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    m_preview->setFont(WindowFonts::callout());
    m_preview->setMaximumLines(2);
    m_age->setFont(WindowFonts::caption2());
    QPalette label = m_preview->palette();
    label.setColor(QPalette::WindowText, theme.label());
    m_preview->setPalette(label);
    QPalette tertiary = m_age->palette();
    tertiary.setColor(QPalette::WindowText, theme.tertiaryLabel());
    m_age->setPalette(tertiary);
    texts->addStretch(1);
    texts->addWidget(m_preview);
    texts->addWidget(m_age);
    texts->addStretch(1);
    row->addLayout(texts, 1);
    row->addSpacing(8);
    row->addWidget(m_copy);
    row->addWidget(m_send);
    row->addWidget(m_delete);

    connect(m_send, &QAbstractButton::clicked, this, [this] { openSendMenu(); });
    connect(m_copy, &QAbstractButton::clicked, this, [this] { Q_EMIT copyRequested(m_entry); });
    connect(m_delete, &QAbstractButton::clicked, this, [this] { Q_EMIT deleteRequested(m_entry); });
    // A fixed height keeps laying out 200 rows cheap (no height-for-width of wrapped text).
    setFixedHeight(20 + std::max(30, QFontMetrics(WindowFonts::callout()).lineSpacing() * 2 +
                                         QFontMetrics(WindowFonts::caption2()).lineSpacing() + 3));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QMenu* HistoryRow::openSendMenu() {
    // The row may show another entry by the time a slot is chosen (a capture moves the list
    // down): the menu sends the one it was opened for.
    return ButtonMenu::open(m_send, this, [this, entry = m_entry](QMenu& menu) {
        for (int n : SlotStore::slotOrder) {
            menu.addAction(QStringLiteral("Slot %1").arg(n), this,
                           [this, entry, n] { Q_EMIT sendRequested(entry, n); });
        }
    });
}

QString HistoryRow::previewText() const {
    return KindMark::shownPreview(m_entry.item.preview(), m_entry.item.kind);
}

void HistoryRow::setEntry(const SlotStore::HistoryEntry& entry) {
    m_entry = entry;
    static_cast<KindMark*>(m_mark)->setItem(
        entry.item, QStringLiteral("history:%1").arg(entry.id.toString(QUuid::WithoutBraces)));
    const QString preview = previewText();
    // Two lines of the widest window hold far fewer characters.
    m_preview->setText(preview.left(previewChars));
    const QString age = RelativeTime::string(entry.capturedAt, m_clock.now());
    m_age->setText(age);
    setAccessibleName(QStringLiteral("%1, %2").arg(preview.left(120), age));
}
