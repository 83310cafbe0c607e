#pragma once

#include "app/LinkPrompt.h"

#include <QPointer>
#include <functional>

class LinkDialog;
class QWidget;
class Theme;

// Puts links to the user in the program's link dialog, one at a time, brought to the front
// and made the active window through the platform (a window manager that prevents focus
// stealing would otherwise leave it behind the browser).
class DialogLinkPrompt final : public LinkPrompt {
public:
    DialogLinkPrompt(const Theme& theme, std::function<void(QWidget*)> activate);
    ~DialogLinkPrompt() override;
    DialogLinkPrompt(const DialogLinkPrompt&) = delete;
    DialogLinkPrompt& operator=(const DialogLinkPrompt&) = delete;

    void ask(const LinkQuestion& question, std::function<void(Answer)> answered) override;
    void withdraw() override;
    void setOthersWaiting(int count) override;

private:
    const Theme& m_theme;
    std::function<void(QWidget*)> m_activate;
    QPointer<LinkDialog> m_dialog;
};
