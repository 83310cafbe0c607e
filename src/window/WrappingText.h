#pragma once

#include <QString>
#include <QWidget>

class QTextLayout;

// Plain text that wraps at word boundaries, and inside a word only when the word alone is
// wider than the line (a long path), so it never asks for more width than it is given. It
// is drawn in the palette's WindowText colour.
class WrappingText : public QWidget {
    Q_OBJECT
public:
    explicit WrappingText(QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Lays the text out in lines of `width`; returns the height it takes.
    int layOut(QTextLayout& layout, int width) const;

    QString m_text;
};
