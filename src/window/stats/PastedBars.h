#pragma once

#include "ui/Card.h"
#include <QList>

#include <QWidget>
#include <utility>

class Theme;

// "Most pasted slots": one bar per slot, most pasted first, the longest filling the row.
class PastedBars : public Card {
    Q_OBJECT
public:
    PastedBars(const Theme& theme, QWidget* parent = nullptr);
    void setCounts(QList<std::pair<int, qint64>> counts);
    // A bar's width in a row `available` wide: the count's share of the largest, at least 6.
    static double barWidth(double available, qint64 count, qint64 largest);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Theme& m_theme;
    QList<std::pair<int, qint64>> m_counts;
};
