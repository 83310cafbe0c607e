#include "SnippetRow.h"

#include "ui/IconChipButton.h"
#include "ui/Theme.h"
#include "window/WindowFonts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

SnippetRow::SnippetRow(const Theme& theme, SnippetStore::Entry entry, QWidget* parent)
    : Card(theme, 12, parent), m_entry(std::move(entry)),
      m_copy(new IconChipButton(theme, QStringLiteral("doc.on.clipboard"),
                                QStringLiteral("Copy expanded to clipboard"), theme.accentText(),
                                this)),
      m_edit(new IconChipButton(theme, QStringLiteral("pencil"), QStringLiteral("Edit snippet"),
                                theme.accentText(), this)),
      m_delete(new IconChipButton(theme, QStringLiteral("trash"), QStringLiteral("Delete snippet"),
                                  theme.accentText(), this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 0, 2, 0);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* title = new QLabel(shownTitle(), this);
    title->setFont(WindowFonts::callout(QFont::DemiBold));
    title->setTextFormat(Qt::PlainText);
    QPalette p = title->palette();
    p.setColor(QPalette::WindowText, theme.label());
    title->setPalette(p);
    auto* body = new QLabel(this);
    body->setFont(WindowFonts::caption());
    body->setTextFormat(Qt::PlainText);
    const QFontMetrics fm(body->font());
    // Two lines at most.
    const QStringList lines = m_entry.body.split(u'\n');
    QString shown = lines.mid(0, 2).join(u'\n');
    body->setText(shown.left(300));
    body->setMaximumHeight(fm.lineSpacing() * 2 + 2);
    p.setColor(QPalette::WindowText, theme.secondaryLabel());
    body->setPalette(p);
    texts->addWidget(title);
    texts->addWidget(body);
    row->addLayout(texts, 1);
    row->addWidget(m_copy);
    row->addWidget(m_edit);
    row->addWidget(m_delete);
    setAccessibleName(shownTitle());
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QString SnippetRow::shownTitle() const {
    return m_entry.title.isEmpty() ? QStringLiteral("Untitled") : m_entry.title;
}
