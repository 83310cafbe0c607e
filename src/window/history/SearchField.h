#pragma once

#include <QWidget>

class IconChipButton;
class QLineEdit;
class Theme;

// The history's search row: a magnifying glass, the text field and, while there is text, a
// button that clears it.
class SearchField : public QWidget {
    Q_OBJECT
public:
    explicit SearchField(const Theme& theme, QWidget* parent = nullptr);
    QLineEdit* edit() const { return m_edit; }
    QWidget* clearButton() const { return m_clear; }

Q_SIGNALS:
    void queryChanged(const QString& query);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Theme& m_theme;
    QLineEdit* m_edit;
    QWidget* m_clear;
};
