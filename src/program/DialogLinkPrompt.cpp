#include "DialogLinkPrompt.h"

#include "shell/LinkDialog.h"

#include <QGuiApplication>
#include <QScreen>

DialogLinkPrompt::DialogLinkPrompt(const Theme& theme, std::function<void(QWidget*)> activate)
    : m_theme(theme), m_activate(std::move(activate)) {}

DialogLinkPrompt::~DialogLinkPrompt() {
    withdraw();
}

void DialogLinkPrompt::ask(const LinkQuestion& question, std::function<void(Answer)> answered) {
    withdraw();
    auto* dialog = new LinkDialog(m_theme, question.sentence, question.url, question.othersWaiting);
    m_dialog = dialog;
    // done() hides the dialog before it says how it finished.
    QObject::connect(dialog, &QDialog::finished, dialog, [this, dialog, answered](int result) {
        if (m_dialog == dialog) {
            m_dialog = nullptr;
        }
        dialog->deleteLater();
        answered(result == LinkDialog::Allowed  ? Answer::Allow
                 : result == LinkDialog::Denied ? Answer::Deny
                                                : Answer::Closed);
    });
    dialog->adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = dialog->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        dialog->move(frame.topLeft());
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    if (m_activate) {
        m_activate(dialog);
    }
}

void DialogLinkPrompt::setOthersWaiting(int count) {
    if (m_dialog) {
        m_dialog->setOthersWaiting(count);
    }
}

void DialogLinkPrompt::withdraw() {
    if (LinkDialog* dialog = m_dialog) {
        m_dialog = nullptr;
        // Gone without an answer: nobody hears how it finished.
        QObject::disconnect(dialog, &QDialog::finished, nullptr, nullptr);
        dialog->hide();
        dialog->deleteLater();
    }
}
