#pragma once

#include <QDialog>

class QAbstractButton;
class QLabel;
class Theme;

// The small dialog that asks whether a link from another program may do what it names:
// the sentence saying what it would do, the link itself, how many more wait, and the
// buttons Deny and Allow. Deny has the focus and is what Return and Escape press; Tab moves
// between the two, Space or Return presses the focused one. Every text is plain text, never
// markup. In the theme's colours. Its result is an Outcome.
class LinkDialog : public QDialog {
    Q_OBJECT
public:
    enum Outcome {
        Closed = QDialog::Rejected, // closed by the window manager
        Allowed = QDialog::Accepted,
        Denied,
    };

    static constexpr int dialogWidth = 460;

    LinkDialog(const Theme& theme, const QString& sentence, const QString& url, int othersWaiting,
               QWidget* parent = nullptr);

    // "N more links are waiting.", hidden for none.
    void setOthersWaiting(int count);

    QAbstractButton* denyButton() const { return m_deny; }
    QAbstractButton* allowButton() const { return m_allow; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    const Theme& m_theme;
    QAbstractButton* m_deny;
    QAbstractButton* m_allow;
    QLabel* m_waiting = nullptr;
};
