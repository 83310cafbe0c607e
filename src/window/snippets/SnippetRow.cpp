#include "SnippetRow.h"

#include "ui/IconChipButton.h"
#include "ui/Theme.h"
#include "window/WindowFonts.h"
#include "window/WrappingText.h"

#include <QHBoxLayout>
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
    auto* title = new WrappingText(this);
    title->setText(shownTitle().left(600));
    title->setFont(WindowFonts::callout(QFont::DemiBold));
    title->setMaximumLines(1);
    QPalette p = title->palette();
    p.setColor(QPalette::WindowText, theme.label());
    title->setPalette(p);
    // Two lines of the body at most; two lines of the widest window hold far fewer characters.
    auto* body = new WrappingText(this);
    body->setText(m_entry.body.left(1200));
    body->setFont(WindowFonts::caption());
    body->setMaximumLines(2);
    p.setColor(QPalette::WindowText, theme.secondaryLabel());
    body->setPalette(p);
    texts->addStretch(1);
    texts->addWidget(title);
    texts->addWidget(body);
    texts->addStretch(1);
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
