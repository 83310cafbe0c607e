#include "MainWindow.h"

#include "RootView.h"
#include "app/AppState.h"
#include "core/UserDefaults.h"
#include "ui/ThemedPalette.h"

#include <QCoreApplication>
#include <QEvent>
#include <QShortcut>
#include <QVBoxLayout>

namespace {
void addShortcut(QWidget* window, QKeyCombination keys, std::function<void()> action) {
    auto* shortcut = new QShortcut(QKeySequence(keys), window);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, window, std::move(action));
}
} // namespace

MainWindow::MainWindow(WindowContext context, QWidget* parent)
    : QWidget(parent, Qt::Window), m_context(std::move(context)),
      m_root(new RootView(m_context, this)) {
    setWindowTitle(QStringLiteral("Stashwick"));
    setAttribute(Qt::WA_QuitOnClose, false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_root);
    setMinimumSize(RootView::minimumWidth, RootView::minimumHeight);
    resize(960, 680);
    ThemedPalette::apply(this, m_context.theme);

    AppState& state = m_context.state;
    // Shift+] arrives as "}" on most layouts, so both spellings are bound.
    for (QKeyCombination keys : {QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_BracketRight),
                                 QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_BraceRight),
                                 QKeyCombination(Qt::CTRL, Qt::Key_PageDown)}) {
        addShortcut(this, keys, [&state] { state.showNextTab(); });
    }
    for (QKeyCombination keys : {QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_BracketLeft),
                                 QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_BraceLeft),
                                 QKeyCombination(Qt::CTRL, Qt::Key_PageUp)}) {
        addShortcut(this, keys, [&state] { state.showPreviousTab(); });
    }
    addShortcut(this, QKeyCombination(Qt::CTRL, Qt::Key_W), [this] { close(); });
    addShortcut(this, QKeyCombination(Qt::CTRL, Qt::Key_Q), [this] {
        if (onQuit) {
            onQuit();
        } else {
            QCoreApplication::quit();
        }
    });

    connect(&m_context.defaults, &UserDefaults::changed, this, [this](const QString& key) {
        if (key.isEmpty() || key == u"themePalette" || key == u"appearanceMode") {
            restyle();
        }
    });
}

void MainWindow::present(unsigned long userTime) {
    if (isMinimized()) {
        setWindowState(windowState() & ~Qt::WindowMinimized);
    }
    show();
    raise();
    activateWindow();
    if (activate) {
        activate(this, userTime);
    }
}

void MainWindow::restyle() {
    ThemedPalette::apply(this, m_context.theme);
    m_root->restyle();
}

void MainWindow::changeEvent(QEvent* event) {
    // The desktop switched between light and dark while we run ("System" follows it).
    if (event->type() == QEvent::ApplicationPaletteChange || event->type() == QEvent::ThemeChange) {
        restyle();
    }
    QWidget::changeEvent(event);
}
