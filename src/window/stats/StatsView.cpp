#include "StatsView.h"

#include "MetricCard.h"
#include "PastedBars.h"
#include "TopContentRow.h"
#include "app/AppState.h"
#include "ui/Card.h"
#include "ui/Theme.h"
#include "window/WindowFonts.h"
#include "window/WindowParts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

StatsView::StatsView(WindowContext context, QWidget* parent)
    : QScrollArea(parent), m_context(std::move(context)) {
    const Theme& theme = m_context.theme;
    StatsService& stats = m_context.state.stats();
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 4, 0, 4);
    column->setSpacing(16);
    column->addWidget(WindowParts::label(QStringLiteral("Statistics"), WindowFonts::title(),
                                         theme.label(), content));

    auto* metrics = new QHBoxLayout;
    metrics->setSpacing(12);
    m_copies = new MetricCard(
        theme, QStringLiteral("doc.on.doc"), QStringLiteral("Total copies"),
        [&stats] { return stats.total(StatsService::Kind::Copy); }, content);
    m_pastes = new MetricCard(
        theme, QStringLiteral("doc.on.clipboard"), QStringLiteral("Total pastes"),
        [&stats] { return stats.total(StatsService::Kind::Paste); }, content);
    metrics->addWidget(m_copies);
    metrics->addWidget(m_pastes);
    column->addLayout(metrics);

    auto* top = new Card(theme, 16, content);
    m_topList = new QVBoxLayout(top);
    m_topList->setContentsMargins(0, 0, 0, 0); // the card pads its content
    m_topList->setSpacing(6);
    m_topList->addWidget(WindowParts::label(
        QStringLiteral("Most copied"), WindowFonts::callout(QFont::DemiBold), theme.label(), top));
    m_noCopies = WindowParts::label(QStringLiteral("No copies yet."), WindowFonts::caption(),
                                    theme.tertiaryLabel(), top);
    m_topList->addWidget(m_noCopies);
    column->addWidget(top);

    m_bars = new PastedBars(theme, content);
    column->addWidget(m_bars);
    column->addStretch(1);
    setWidget(content);
    WindowParts::makeTransparent(this);

    connect(&stats, &StatsService::revisionChanged, this, [this] { reload(); });
    reload();
}

void StatsView::reload() {
    AppState& state = m_context.state;
    for (TopContentRow* row : m_rows) {
        row->hide();
        row->deleteLater();
    }
    m_rows.clear();
    const auto top = state.stats().topCopied(10);
    for (const auto& entry : top) {
        auto* row = new TopContentRow(m_context.theme, m_context.thumbnails, entry,
                                      state.clock().now(), m_noCopies->parentWidget());
        // Loading changes a slot only: no statistics, no clipboard.
        row->onLoad = [&state](const QString& hash, int slot) {
            if (const auto item = state.stats().loadableItem(hash)) {
                state.slots().setItem(*item, slot);
            }
        };
        m_topList->addWidget(row);
        m_rows.append(row);
    }
    m_noCopies->setVisible(top.isEmpty());
    m_bars->setCounts(state.stats().bySlot(StatsService::Kind::Paste));
    m_copies->update();
    m_pastes->update();
}
