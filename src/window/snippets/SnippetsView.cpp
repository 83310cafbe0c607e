#include "SnippetsView.h"

#include "SnippetRow.h"
#include "SnippetsInfoPanel.h"
#include "app/AppState.h"
#include "store/SnippetExpander.h"
#include "ui/Card.h"
#include "ui/IconChipButton.h"
#include "ui/Icons.h"
#include "ui/StyledButton.h"
#include "ui/Theme.h"
#include "window/WindowFonts.h"
#include "window/WindowParts.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {
void colourText(QWidget* w, const Theme& theme) {
    QPalette p = w->palette();
    p.setColor(QPalette::Base, Qt::transparent);
    p.setColor(QPalette::Text, theme.label());
    p.setColor(QPalette::PlaceholderText, theme.tertiaryLabel());
    w->setPalette(p);
}
} // namespace

SnippetsView::SnippetsView(WindowContext context, QWidget* parent)
    : QWidget(parent), m_context(std::move(context)) {
    const Theme& theme = m_context.theme;
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 4, 0, 0);
    column->setSpacing(16);

    auto* header = new QHBoxLayout;
    header->setSpacing(8);
    header->addWidget(
        WindowParts::label(QStringLiteral("Snippets"), WindowFonts::title(), theme.label(), this));
    auto* info = new IconChipButton(theme, QStringLiteral("info.circle"),
                                    QStringLiteral("What are snippets?"), theme.accentText(), this);
    m_infoButton = info;
    connect(info, &QAbstractButton::clicked, this, [this] { showInfo(); });
    header->addWidget(info);
    header->addStretch(1);
    column->addLayout(header);

    // The editor.
    auto* card = new Card(theme, 14, this);
    auto* editor = new QVBoxLayout(card);
    editor->setSpacing(8);
    m_title = new QLineEdit(card);
    m_title->setPlaceholderText(QStringLiteral("Title"));
    m_title->setAccessibleName(QStringLiteral("Title"));
    m_title->setFrame(false);
    m_title->setFont(WindowFonts::callout(QFont::DemiBold));
    colourText(m_title, theme);
    editor->addWidget(m_title);
    auto* line = new QFrame(card);
    line->setFixedHeight(1);
    line->setAutoFillBackground(true);
    QPalette divider = line->palette();
    divider.setColor(QPalette::Window, theme.divider());
    line->setPalette(divider);
    editor->addWidget(line);
    m_body = new QPlainTextEdit(card);
    m_body->setAccessibleName(QStringLiteral("Snippet text"));
    m_body->setFrameShape(QFrame::NoFrame);
    m_body->setFont(WindowFonts::callout());
    m_body->setFixedHeight(76);
    m_body->setTabChangesFocus(true);
    colourText(m_body, theme);
    m_body->viewport()->setAutoFillBackground(false);
    editor->addWidget(m_body);
    // Shown over the empty body; clicks go through to the editor.
    m_bodyPlaceholder =
        WindowParts::label(QStringLiteral("Snippet text \u2014 what gets copied when you use it"),
                           WindowFonts::callout(), theme.tertiaryLabel(), m_body);
    m_bodyPlaceholder->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_bodyPlaceholder->move(4, 4);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(
        WindowParts::label(QStringLiteral("Placeholders: {clipboard} {slot1}\u2026{slot9} {date} "
                                          "{time}"),
                           WindowFonts::caption2(), theme.tertiaryLabel(), card));
    bottom->addStretch(1);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), card);
    m_cancel->setFlat(true);
    m_cancel->setStyleSheet(QStringLiteral("QPushButton { color: %1; background: transparent; "
                                           "border: none; padding: 4px 8px; }")
                                .arg(theme.secondaryLabel().name()));
    bottom->addWidget(m_cancel);
    m_save = new StyledButton(theme, StyledButton::Kind::Action, QStringLiteral("Save"), card);
    m_save->setFocusPolicy(Qt::StrongFocus);
    m_save->setAccessibleName(QStringLiteral("Save"));
    bottom->addWidget(m_save);
    editor->addLayout(bottom);
    column->addWidget(card);

    connect(m_title, &QLineEdit::textChanged, this, [this] { updateEditor(); });
    connect(m_body, &QPlainTextEdit::textChanged, this, [this] { updateEditor(); });
    connect(m_save, &QAbstractButton::clicked, this, [this] { save(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { cancel(); });

    // The list, or the empty state.
    m_scroll = new QScrollArea(this);
    m_scroll->setAccessibleName(QStringLiteral("Snippets"));
    auto* list = new QWidget;
    m_list = new QVBoxLayout(list);
    m_list->setContentsMargins(0, 0, 0, 0);
    m_list->setSpacing(10);
    m_list->addStretch(1);
    m_scroll->setWidget(list);
    WindowParts::makeTransparent(m_scroll);
    column->addWidget(m_scroll, 1);
    m_empty = new QWidget(this);
    auto* empty = new QVBoxLayout(m_empty);
    empty->setSpacing(6);
    auto* symbol = new QLabel(m_empty);
    symbol->setPixmap(Icons::pixmap(QStringLiteral("text.badge.plus"), QSize(36, 36),
                                    theme.tertiaryLabel(), devicePixelRatioF()));
    symbol->setAlignment(Qt::AlignCenter);
    empty->addWidget(symbol);
    for (QLabel* l :
         {WindowParts::label(QStringLiteral("No snippets yet. Add one above."),
                             WindowFonts::callout(), theme.secondaryLabel(), m_empty),
          WindowParts::label(
              QStringLiteral("Save text you paste often \u2014 signatures, addresses, canned "
                             "replies."),
              WindowFonts::caption(), theme.tertiaryLabel(), m_empty)}) {
        l->setAlignment(Qt::AlignCenter);
        empty->addWidget(l);
    }
    empty->addStretch(1);
    column->addWidget(m_empty, 1);

    connect(&m_context.state.snippets(), &SnippetStore::revisionChanged, this,
            [this] { reload(); });
    reload();
    updateEditor();
}

QWidget* SnippetsView::showInfo() {
    auto* panel = new SnippetsInfoPanel(m_context.theme, this);
    panel->adjustSize();
    panel->move(m_infoButton->mapToGlobal(QPoint(m_infoButton->width() + 6, 0)));
    panel->show();
    panel->setFocus();
    return panel;
}

void SnippetsView::updateEditor() {
    // Save needs a title that is more than spaces, or a body.
    bool titleBlank = true;
    for (QChar c : m_title->text()) {
        titleBlank = titleBlank && c == u' ';
    }
    m_save->setEnabled(!(titleBlank && m_body->toPlainText().isEmpty()));
    m_cancel->setVisible(m_editing.has_value());
    m_bodyPlaceholder->setVisible(m_body->toPlainText().isEmpty());
}

void SnippetsView::save() {
    if (!m_save->isEnabled()) {
        return;
    }
    const QString title = m_title->text().trimmed();
    const QString body = m_body->toPlainText(); // stored exactly as typed
    SnippetStore& snippets = m_context.state.snippets();
    if (m_editing) {
        snippets.update(*m_editing, title, body);
    } else {
        snippets.add(title.isEmpty() ? QStringLiteral("Untitled") : title, body);
    }
    cancel();
}

void SnippetsView::cancel() {
    m_editing.reset();
    m_title->clear();
    m_body->clear();
    updateEditor();
}

void SnippetsView::edit(const SnippetStore::Entry& entry) {
    m_editing = entry.id;
    m_title->setText(entry.title);
    m_body->setPlainText(entry.body);
    updateEditor();
    m_title->setFocus();
}

void SnippetsView::reload() {
    // A row's own button may have caused this reload: rows go once its click has returned.
    for (SnippetRow* row : m_rows) {
        row->hide();
        m_list->removeWidget(row);
        row->deleteLater();
    }
    m_rows.clear();
    AppState& state = m_context.state;
    const auto entries = state.snippets().all();
    for (const SnippetStore::Entry& e : entries) {
        auto* row = new SnippetRow(m_context.theme, e, m_scroll->widget());
        connect(row->copyButton(), &QAbstractButton::clicked, this, [&state, body = e.body] {
            SnippetExpander::use(body, state.slots(), state.clipboard(), state.clock().now());
        });
        connect(row->editButton(), &QAbstractButton::clicked, this, [this, e] { edit(e); });
        connect(row->deleteButton(), &QAbstractButton::clicked, this,
                [&state, id = e.id] { state.snippets().remove(id); });
        m_list->insertWidget(static_cast<int>(m_rows.size()), row);
        m_rows.append(row);
    }
    m_scroll->setVisible(!entries.isEmpty());
    m_empty->setVisible(entries.isEmpty());
}
