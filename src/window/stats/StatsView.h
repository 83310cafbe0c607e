#pragma once

#include "window/WindowContext.h"

#include <QScrollArea>

class MetricCard;
class PastedBars;
class QLabel;
class QVBoxLayout;
class TopContentRow;

// The Stats tab: total copies and pastes, the ten most copied contents (each loadable into a
// slot) and the most pasted slots as bars; refreshed whenever the statistics change.
class StatsView : public QScrollArea {
    Q_OBJECT
public:
    explicit StatsView(WindowContext context, QWidget* parent = nullptr);

    QList<TopContentRow*> rows() const { return m_rows; }
    PastedBars* bars() const { return m_bars; }
    MetricCard* copies() const { return m_copies; }
    MetricCard* pastes() const { return m_pastes; }
    QLabel* noCopies() const { return m_noCopies; }
    void reload();

private:
    WindowContext m_context;
    MetricCard* m_copies;
    MetricCard* m_pastes;
    QVBoxLayout* m_topList;
    QLabel* m_noCopies;
    QList<TopContentRow*> m_rows;
    PastedBars* m_bars;
};
