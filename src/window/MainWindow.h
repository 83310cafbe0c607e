#pragma once

#include "WindowContext.h"

#include <QWidget>
#include <functional>

class RootView;

// The one main window ("Stashwick"): made on first open and hidden, never destroyed, when
// closed, so it comes back with the tab it last showed. It keeps the window manager's title
// bar; the tab bar is the top of its content. Closing it never quits the program.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(WindowContext context, QWidget* parent = nullptr);

    // Shows the window, raises it and makes it the active window. `userTime` is the time of
    // the key press or command that asked for it (0 when unknown), for the window manager.
    void present(unsigned long userTime = 0);
    RootView* root() const { return m_root; }

    // Asks the window manager to activate the window (on X11: _NET_ACTIVE_WINDOW).
    std::function<void(QWidget* window, unsigned long userTime)> activate;
    // Control+Q: quit the program.
    std::function<void()> onQuit;

protected:
    void changeEvent(QEvent* event) override;

private:
    void restyle();

    WindowContext m_context;
    RootView* m_root;
};
