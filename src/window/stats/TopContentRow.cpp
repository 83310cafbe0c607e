#include "TopContentRow.h"

#include "store/RelativeTime.h"
#include "store/SlotStore.h"
#include "ui/IconChipButton.h"
#include "ui/Pill.h"
#include "ui/Theme.h"
#include "window/ButtonMenu.h"
#include "window/WindowFonts.h"
#include "window/WrappingText.h"
#include "window/history/KindMark.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>

TopContentRow::TopContentRow(const Theme& theme, AsyncThumbnails& thumbnails,
                             const StatsService::TopContent& entry, Instant now, QWidget* parent)
    : QWidget(parent), m_entry(entry),
      m_load(new IconChipButton(theme, QStringLiteral("tray.and.arrow.down"),
                                QStringLiteral("Load into a slot"), theme.accentText(), this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 2, 0, 2);
    row->setSpacing(10);
    auto* mark = new KindMark(theme, thumbnails, this);
    ClipboardItem item;
    item.kind = entry.kind;
    item.imagePNG = entry.imagePNG;
    mark->setItem(item, QStringLiteral("stat:%1:%2").arg(entry.id).arg(entry.copyCount));
    row->addWidget(mark);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    const QString preview = KindMark::shownPreview(entry.preview, entry.kind);
    auto* title = new WrappingText(this);
    // One line of the widest window holds far fewer characters.
    title->setText(preview.left(600));
    title->setFont(WindowFonts::callout());
    title->setMaximumLines(1);
    QPalette p = title->palette();
    p.setColor(QPalette::WindowText, theme.label());
    title->setPalette(p);
    auto* age = new QLabel(RelativeTime::string(entry.lastCopiedAt, now), this);
    age->setFont(WindowFonts::caption2());
    p.setColor(QPalette::WindowText, theme.tertiaryLabel());
    age->setPalette(p);
    texts->addStretch(1);
    texts->addWidget(title);
    texts->addWidget(age);
    texts->addStretch(1);
    row->addLayout(texts, 1);
    row->addWidget(new Pill(QString::number(entry.copyCount), QStringLiteral("doc.on.clipboard"),
                            theme.accentText(), this));
    m_load->setEnabled(entry.loadable);
    connect(m_load, &QAbstractButton::clicked, this, [this] { openLoadMenu(); });
    row->addWidget(m_load);
    setAccessibleName(
        QStringLiteral("%1, copied %2 times").arg(preview.left(120)).arg(entry.copyCount));
}

QMenu* TopContentRow::openLoadMenu() {
    if (!m_load->isEnabled()) {
        return nullptr;
    }
    // The statistics rebuild their rows on every recorded copy: the menu belongs to the window
    // and its entries reach nothing of this row.
    return ButtonMenu::open(m_load, window(), [load = onLoad, hash = m_entry.id](QMenu& menu) {
        for (int n : SlotStore::slotOrder) {
            menu.addAction(QStringLiteral("Slot %1").arg(n), &menu, [load, hash, n] {
                if (load) {
                    load(hash, n);
                }
            });
        }
    });
}
