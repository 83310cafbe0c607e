#pragma once

#include <QColor>
#include <QWidget>

class Theme;

// A small capsule label: optional symbol and text in `tint`, on `tint` at 0.18.
class Pill : public QWidget {
    Q_OBJECT
public:
    Pill(QString text, QString systemImage, QColor tint, QWidget* parent = nullptr);

    void setText(const QString& text);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    QString m_symbol;
    QColor m_tint;
};
