#include "HistoryView.h"

#include "HistoryRow.h"
#include "SearchField.h"
#include "app/AppState.h"
#include "ui/Icons.h"
#include "ui/Theme.h"
#include "window/WindowFonts.h"
#include "window/WindowParts.h"

#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QSet>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

HistoryView::HistoryView(WindowContext context, QWidget* parent)
    : QWidget(parent), m_context(std::move(context)),
      m_search(new SearchField(m_context.theme, this)), m_scroll(new QScrollArea(this)),
      m_list(new QWidget), m_listLayout(new QVBoxLayout(m_list)), m_empty(new QWidget(this)) {
    const Theme& theme = m_context.theme;
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 4, 0, 0);
    column->setSpacing(16);
    column->addWidget(
        WindowParts::label(QStringLiteral("History"), WindowFonts::title(), theme.label(), this));
    column->addWidget(m_search);

    m_listLayout->setContentsMargins(0, 2, 0, 2);
    m_listLayout->setSpacing(8);
    m_listLayout->addStretch(1);
    m_scroll->setWidget(m_list);
    WindowParts::makeTransparent(m_scroll);
    m_scroll->setAccessibleName(QStringLiteral("History entries"));
    column->addWidget(m_scroll, 1);

    auto* empty = new QVBoxLayout(m_empty);
    empty->setSpacing(6);
    empty->addStretch(1);
    auto* symbol = new QLabel(m_empty);
    symbol->setPixmap(Icons::pixmap(QStringLiteral("clock.arrow.circlepath"), QSize(40, 40),
                                    theme.tertiaryLabel(), devicePixelRatioF()));
    symbol->setAlignment(Qt::AlignCenter);
    empty->addWidget(symbol);
    m_emptyTitle =
        WindowParts::label(QString(), WindowFonts::callout(), theme.secondaryLabel(), m_empty);
    m_emptyTitle->setAlignment(Qt::AlignCenter);
    empty->addWidget(m_emptyTitle);
    m_emptyExplanation = WindowParts::label(
        QStringLiteral("Everything you copy on this computer lands here automatically."),
        WindowFonts::caption(), theme.tertiaryLabel(), m_empty);
    m_emptyExplanation->setAlignment(Qt::AlignCenter);
    empty->addWidget(m_emptyExplanation);
    empty->addStretch(1);
    column->addWidget(m_empty, 1);

    auto* find = new QShortcut(QKeySequence::Find, this);
    find->setContext(Qt::WindowShortcut);
    connect(find, &QShortcut::activated, this, [this] {
        m_search->edit()->setFocus(Qt::ShortcutFocusReason);
        m_search->edit()->selectAll();
    });
    connect(m_search, &SearchField::queryChanged, this, [this](const QString& query) {
        m_query = query;
        applyQuery();
    });
    connect(&m_context.state.slots(), &SlotStore::revisionChanged, this, [this] { reload(); });
    reload();
}

HistoryRow* HistoryView::rowAt(int i) {
    while (m_pool.size() <= i) {
        auto* row =
            new HistoryRow(m_context.theme, m_context.thumbnails, m_context.state.clock(), m_list);
        AppState& state = m_context.state;
        connect(row, &HistoryRow::copyRequested, this,
                [&state](const SlotStore::HistoryEntry& e) { state.clipboard().write(e.item); });
        connect(row, &HistoryRow::sendRequested, this,
                [&state](const SlotStore::HistoryEntry& e, int slot) {
                    state.slots().setItem(e.item, slot);
                });
        connect(row, &HistoryRow::deleteRequested, this,
                [&state](const SlotStore::HistoryEntry& e) { state.slots().deleteHistory(e.id); });
        m_listLayout->insertWidget(static_cast<int>(m_pool.size()), row);
        m_pool.append(row);
    }
    return m_pool[i];
}

void HistoryView::reload() {
    m_recent = m_context.state.slots().recentHistoryEntries(rowLimit);
    applyQuery();
}

void HistoryView::applyQuery() {
    // Rows stay bound to the newest entries and a query hides those it does not match (the
    // search keeps the list's order). The first rows are settled at once, the rest a chunk
    // per turn of the event loop, so a keystroke repaints quickly however long the list.
    m_shown.clear();
    for (int i = 0; i < m_recent.size(); ++i) {
        if (SlotStore::matchesQuery(m_recent[i].item, m_query)) {
            m_shown.append(rowAt(i));
        }
    }
    const quint64 generation = ++m_generation;
    settleRows(0, generation);

    const bool none = m_shown.isEmpty();
    m_scroll->setVisible(!none);
    m_empty->setVisible(none);
    m_emptyTitle->setText(m_query.isEmpty() ? QStringLiteral("Nothing copied yet.")
                                            : QStringLiteral("No matches."));
    m_emptyExplanation->setVisible(m_query.isEmpty());
}

void HistoryView::settleRows(int from, quint64 generation) {
    if (generation != m_generation) {
        return; // a newer query or list took over
    }
    const int to = std::min<int>(from + rowsPerTurn, static_cast<int>(m_pool.size()));
    for (int i = from; i < to; ++i) {
        HistoryRow* row = m_pool[i];
        if (i >= m_recent.size()) {
            row->setVisible(false);
            continue;
        }
        if (row->entry().id != m_recent[i].id) {
            row->setEntry(m_recent[i]);
        }
        row->setVisible(SlotStore::matchesQuery(m_recent[i].item, m_query));
    }
    if (to < m_pool.size()) {
        QTimer::singleShot(0, this, [this, to, generation] { settleRows(to, generation); });
    }
}

QList<HistoryRow*> HistoryView::rows() const {
    return m_shown;
}

QString HistoryView::emptyTitle() const {
    return m_emptyTitle->text();
}

QString HistoryView::emptyExplanation() const {
    return m_emptyExplanation->isVisibleTo(m_empty) ? m_emptyExplanation->text() : QString();
}
