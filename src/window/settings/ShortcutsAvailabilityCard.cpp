#include "ShortcutsAvailabilityCard.h"

#include "hotkeys/CompositorBindings.h"
#include "platform/xdg/KeyboardSettings.h"
#include "ui/Icons.h"
#include "ui/StyledButton.h"
#include "ui/Theme.h"
#include "window/WindowFonts.h"
#include "window/WindowParts.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {

struct Shown {
    bool on = false;
    QString status;
    QString explanation;
    QStringList lines;
    bool copyable = false;
};

Shown describe(const SessionReport& report, bool available, const HotkeyConfig& config,
               const QString& command) {
    using C = SessionReport::Chords;
    Shown s;
    s.on = available;
    if (report.chords == C::Waiting) {
        s.status = QStringLiteral("Asking the desktop for shortcuts\u2026");
        s.explanation = QStringLiteral("Stashwick is waiting for the desktop's global-shortcuts "
                                       "service to answer.");
        return s;
    }
    if (!available) {
        s.status = QStringLiteral("Shortcuts unavailable");
        s.explanation =
            report.offReason.isEmpty()
                ? QStringLiteral("Global shortcuts need an X11 session with XTEST, or a Wayland "
                                 "compositor that lets programs press keys.")
                : QStringLiteral("Shortcuts are off: %1. The slots, the history and everything "
                                 "else work.")
                      .arg(report.offReason);
        return s;
    }
    switch (report.chords) {
    case C::DesktopShortcuts:
        s.status = QStringLiteral("Shortcuts from your desktop");
        s.explanation = QStringLiteral("Your desktop's shortcut settings give the chords; change "
                                       "them there. The keys it assigned:");
        for (const auto& [description, trigger] : report.assignedTriggers) {
            s.lines << QStringLiteral("%1: %2").arg(
                description, trigger.isEmpty() ? QStringLiteral("not assigned") : trigger);
        }
        break;
    case C::CompositorBindings: {
        const bool hyprland = report.bindingsFlavour == u"hyprland";
        s.status = QStringLiteral("Shortcuts from your compositor's key bindings");
        s.explanation =
            hyprland ? QStringLiteral("Hyprland offers no shortcut service here: add these lines "
                                      "to ~/.config/hypr/hyprland.conf. Each runs the stashwick "
                                      "command with the chord's action.")
                     : QStringLiteral("This compositor offers no shortcut service: add these "
                                      "lines to ~/.config/sway/config and reload it (swaymsg "
                                      "reload). Each runs the stashwick command with the chord's "
                                      "action.");
        s.lines = CompositorBindings::lines(config,
                                            hyprland ? CompositorBindings::Flavour::Hyprland
                                                     : CompositorBindings::Flavour::Sway,
                                            command);
        s.copyable = true;
        break;
    }
    default:
        s.status = QStringLiteral("Shortcuts available");
        s.explanation = QStringLiteral("Stashwick takes the global shortcuts and presses copy and "
                                       "paste in other apps through the X11 session (XTEST).");
        break;
    }
    return s;
}

} // namespace

ShortcutsAvailabilityCard::ShortcutsAvailabilityCard(const Theme& theme, Source source,
                                                     QWidget* parent)
    : Card(theme, 16, parent), m_theme(theme), m_source(std::move(source)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    auto* status = new QHBoxLayout;
    status->setSpacing(8);
    m_symbol = new QLabel(this);
    m_availability = new QLabel(this);
    m_availability->setFont(WindowFonts::callout(QFont::DemiBold));
    m_availability->setWordWrap(true);
    status->addWidget(m_symbol);
    status->addWidget(m_availability, 1);
    layout->addLayout(status);
    m_explanation =
        WindowParts::label(QString(), WindowFonts::caption(), theme.secondaryLabel(), this);
    m_explanation->setWordWrap(true);
    layout->addWidget(m_explanation);

    m_lines = new QPlainTextEdit(this);
    m_lines->setReadOnly(true);
    m_lines->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_lines->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Six whole lines, with room for the frame, the margins and the horizontal scroll bar.
    m_lines->setFixedHeight(m_lines->fontMetrics().lineSpacing() * 6 +
                            qRound(m_lines->document()->documentMargin() * 2) +
                            m_lines->frameWidth() * 2 +
                            m_lines->horizontalScrollBar()->sizeHint().height());
    m_lines->setTabChangesFocus(true);
    m_lines->setAccessibleName(QStringLiteral("Key bindings"));
    layout->addWidget(m_lines);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    m_copy = new StyledButton(theme, StyledButton::Kind::Neutral, QStringLiteral("Copy"), this);
    m_keyboard = new StyledButton(theme, StyledButton::Kind::Neutral,
                                  QStringLiteral("Open Keyboard Settings"), this);
    m_recheck =
        new StyledButton(theme, StyledButton::Kind::Neutral, QStringLiteral("Re-check"), this);
    for (StyledButton* b : {m_copy, m_keyboard, m_recheck}) {
        b->setFocusPolicy(Qt::StrongFocus);
        b->setAccessibleName(b->text());
        buttons->addWidget(b);
    }
    m_copy->setAccessibleDescription(QStringLiteral("Copies the key bindings to the clipboard"));
    buttons->addStretch(1);
    layout->addLayout(buttons);
    if (KeyboardSettings::command().isEmpty()) {
        // Said in the card, not only in a tooltip: a greyed-out button shows no tooltip to the
        // keyboard, and nobody hovers over it to find out why.
        const QString reason = QStringLiteral("Stashwick does not know this desktop's keyboard "
                                              "settings; open them from its settings program.");
        m_keyboard->setEnabled(false);
        m_keyboard->setToolTip(reason);
        m_keyboard->setAccessibleDescription(reason);
        m_keyboardReason =
            WindowParts::label(reason, WindowFonts::caption(), theme.secondaryLabel(), this);
        m_keyboardReason->setWordWrap(true);
        m_keyboardReason->setAccessibleName(reason);
        layout->addWidget(m_keyboardReason);
    }
    connect(m_keyboard, &QAbstractButton::clicked, this, [] { KeyboardSettings::open(); });
    connect(m_copy, &QAbstractButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(m_lines->toPlainText()); });
    connect(m_recheck, &QAbstractButton::clicked, this, [this] {
        if (m_source.recheck) {
            m_source.recheck();
        }
        refresh(m_config);
    });
}

void ShortcutsAvailabilityCard::refresh(const HotkeyConfig& config) {
    m_config = config;
    const SessionReport report = m_source.session ? m_source.session() : SessionReport();
    const Shown s =
        describe(report, m_source.available && m_source.available(), config, m_source.command);
    const QColor colour = s.on ? m_theme.success() : m_theme.warning();
    m_availability->setText(s.status);
    QPalette p = m_availability->palette();
    p.setColor(QPalette::WindowText, colour);
    m_availability->setPalette(p);
    m_availability->setAccessibleName(s.status);
    m_symbol->setPixmap(Icons::pixmap(s.on ? QStringLiteral("checkmark.seal.fill")
                                           : QStringLiteral("exclamationmark.triangle.fill"),
                                      QSize(16, 16), colour, devicePixelRatioF()));
    m_explanation->setText(s.explanation);
    m_explanation->setAccessibleName(s.explanation);
    m_lines->setPlainText(s.lines.join(u'\n'));
    m_lines->setVisible(!s.lines.isEmpty());
    m_copy->setVisible(s.copyable);
}
