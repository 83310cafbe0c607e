#pragma once

#include "ui/Card.h"

#include <QWidget>
#include <functional>

class Theme;

// A total on a card: a symbol, the number (read anew on every paint) and its caption.
class MetricCard : public Card {
    Q_OBJECT
public:
    MetricCard(const Theme& theme, QString symbol, QString caption, std::function<qint64()> value,
               QWidget* parent = nullptr);
    QSize sizeHint() const override { return {240, 88}; }
    qint64 value() const { return m_value(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Theme& m_theme;
    QString m_symbol;
    QString m_caption;
    std::function<qint64()> m_value;
};
