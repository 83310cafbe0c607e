#include "SlotsView.h"

#include "ShortcutFooter.h"
#include "SlotDrop.h"
#include "SlotTile.h"
#include "app/AppState.h"
#include "ui/Icons.h"
#include "ui/Theme.h"
#include "window/WindowFonts.h"
#include "window/WindowParts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

SlotsView::SlotsView(WindowContext context, QWidget* parent)
    : QScrollArea(parent), m_context(std::move(context)), m_footer(new ShortcutFooter(m_context)) {
    const Theme& theme = m_context.theme;
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 4, 0, 4);
    column->setSpacing(16);

    auto* header = new QHBoxLayout;
    auto* title = new QLabel(QStringLiteral("Slots"), content);
    title->setFont(WindowFonts::title());
    QPalette titlePalette = title->palette();
    titlePalette.setColor(QPalette::WindowText, theme.label());
    title->setPalette(titlePalette);
    header->addWidget(title);
    header->addStretch(1);
    auto* clearAll = new QPushButton(Icons::icon(QStringLiteral("trash"), theme.secondaryLabel()),
                                     QStringLiteral("Clear all"), content);
    clearAll->setFlat(true);
    clearAll->setFont(WindowFonts::callout());
    clearAll->setCursor(Qt::PointingHandCursor);
    clearAll->setStyleSheet(
        QStringLiteral("QPushButton { color: %1; background: transparent; border: none; "
                       "padding: 2px 4px; } QPushButton:focus { text-decoration: underline; }")
            .arg(theme.secondaryLabel().name()));
    connect(clearAll, &QPushButton::clicked, this, [this] { confirmClearAll(); });
    header->addWidget(clearAll);
    column->addLayout(header);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(12);
    for (std::size_t i = 0; i < SlotStore::slotOrder.size(); ++i) {
        auto* tile = new SlotTile(SlotStore::slotOrder[i], theme, m_context.thumbnails,
                                  m_context.state.clock(), content);
        wire(tile);
        m_tiles[i] = tile;
        grid->addWidget(tile, static_cast<int>(i) / columns, static_cast<int>(i) % columns);
    }
    for (int c = 0; c < columns; ++c) {
        grid->setColumnStretch(c, 1);
    }
    column->addLayout(grid);
    m_footer->setParent(content);
    column->addWidget(m_footer);
    column->addStretch(1);
    setWidget(content);
    WindowParts::makeTransparent(this);

    connect(&m_context.state.slots(), &SlotStore::revisionChanged, this, [this] { reload(); });
    reload();
}

SlotTile* SlotsView::tile(int slot) const {
    for (SlotTile* t : m_tiles) {
        if (t->index() == slot) {
            return t;
        }
    }
    return nullptr;
}

void SlotsView::wire(SlotTile* tile) {
    AppState& state = m_context.state;
    const int n = tile->index();
    // A click puts the slot's whole item (images read from the store now) on the clipboard.
    tile->onTap = [&state, n] {
        if (const auto item = state.slots().item(n)) {
            state.clipboard().write(*item);
        }
    };
    tile->onTransform = [&state, n](PasteTransform t) {
        if (const auto item = state.slots().item(n)) {
            state.clipboard().write(PasteTransforms::apply(t, *item));
        }
    };
    tile->onMove = [&state, n](int to) { state.slots().move(n, to); };
    tile->onPin = [&state, n] { state.slots().togglePinned(n); };
    tile->onDelete = [&state, n] { state.slots().clear(n); };
    tile->onDrop = [&state, n](const QString& text) {
        const auto from = SlotDrop::source(text, n, state.slots());
        return from && state.slots().move(*from, n);
    };
}

void SlotsView::reload() {
    SlotStore& slots = m_context.state.slots();
    const auto items = slots.allItems();
    for (SlotTile* tile : m_tiles) {
        const auto index = static_cast<std::size_t>(tile->index());
        tile->setContent(items[index], slots.isPinned(tile->index()));
    }
}

QMessageBox* SlotsView::confirmClearAll() {
    auto* box =
        new QMessageBox(QMessageBox::Warning, QStringLiteral("Clear all unpinned slots?"),
                        QStringLiteral("Clear all unpinned slots?"), QMessageBox::NoButton, this);
    box->setInformativeText(QStringLiteral("Pinned slots are kept."));
    box->setTextFormat(Qt::PlainText);
    QPushButton* clear =
        box->addButton(QStringLiteral("Clear unpinned slots"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    // Return and Escape cancel: only a deliberate choice of the button clears.
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    box->setAttribute(Qt::WA_DeleteOnClose);
    SlotStore& slots = m_context.state.slots();
    connect(clear, &QPushButton::clicked, this, [&slots] { slots.clearAllUnpinned(); });
    box->open();
    return box;
}
