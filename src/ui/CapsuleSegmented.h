#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class Theme;

// A row of capsule segments, one per option; the selected one sits on the action gradient.
class CapsuleSegmented : public QWidget {
    Q_OBJECT
public:
    struct Option {
        QString value;
        QString label;
        QString symbol; // empty: none
    };

    CapsuleSegmented(const Theme& theme, QList<Option> options, QWidget* parent = nullptr);

    QString selection() const { return m_selection; }
    void setSelection(const QString& value);
    QSize sizeHint() const override;
    // Where segment i sits, for painting and hit testing.
    QRectF segmentRect(int i) const;

Q_SIGNALS:
    void selectionChanged(const QString& value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    double segmentWidth(int i) const;

    const Theme& m_theme;
    QList<Option> m_options;
    QString m_selection;
};
