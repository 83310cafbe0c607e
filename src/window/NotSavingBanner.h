#pragma once

#include <QWidget>

class QLabel;
class Theme;
class WrappingText;

// The warning shown while changes are not reaching the disk: "Not saving" and why (the
// store could not be opened and lives in memory, or saving fails).
class NotSavingBanner : public QWidget {
    Q_OBJECT
public:
    static inline const QString title = QStringLiteral("Not saving");

    NotSavingBanner(const Theme& theme, QWidget* parent = nullptr);
    // Shows `reason`, or hides the banner when it is empty.
    void setReason(const QString& reason);
    QString reason() const;
    // Picks up the theme's colours again.
    void restyle();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Theme& m_theme;
    QLabel* m_icon;
    QLabel* m_title;
    WrappingText* m_reason;
};
