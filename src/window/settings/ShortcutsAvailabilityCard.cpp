#include "ShortcutsAvailabilityCard.h"

#include "app/DesktopServices.h"
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
#include <QPointer>
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
    bool gnomeAdd = false;
    bool gnomeRemove = false;
};

// The entries as GNOME's Settings lists them: the keys, then the name.
QStringList gnomeLines(const QList<GnomeShortcuts::Entry>& entries) {
    qsizetype width = 0;
    for (const GnomeShortcuts::Entry& e : entries) {
        width = std::max(width, e.binding.size());
    }
    QStringList out;
    for (const GnomeShortcuts::Entry& e : entries) {
        out << e.binding.leftJustified(width + 2) + e.name;
    }
    return out;
}

Shown describeGnome(const SessionReport& report, const GnomeShortcuts::Status& status,
                    const QList<GnomeShortcuts::Entry>& entries) {
    using S = GnomeShortcuts::State;
    Shown s;
    s.lines = gnomeLines(entries);
    s.gnomeRemove = status.present > 0;
    s.gnomeAdd = status.present < GnomeShortcuts::entryCount;
    const QString where = QStringLiteral("Settings \u203a Keyboard \u203a Custom Shortcuts");
    switch (status.state) {
    case S::Unknown:
    case S::Checking:
        s.status = QStringLiteral("Reading GNOME's keyboard shortcuts\u2026");
        s.explanation = QStringLiteral("Stashwick is looking for its shortcuts among GNOME's "
                                       "custom keyboard shortcuts.");
        s.lines.clear();
        s.gnomeAdd = s.gnomeRemove = false;
        return s;
    case S::Absent:
        s.status = QStringLiteral("Not in GNOME's keyboard shortcuts yet");
        s.explanation =
            QStringLiteral("GNOME gives programs no global shortcuts of their own here. \"Add to "
                           "GNOME keyboard shortcuts\" puts these 21 into %1, each running the "
                           "stashwick command; your own custom shortcuts stay as they are.")
                .arg(where);
        break;
    case S::Partial:
        s.status = QStringLiteral("Only %1 of the %2 shortcuts are in GNOME's keyboard shortcuts")
                       .arg(status.present)
                       .arg(GnomeShortcuts::entryCount);
        s.explanation = QStringLiteral("Some were removed in %1. Add them again to bring the "
                                       "missing ones back, or remove all of Stashwick's.")
                            .arg(where);
        break;
    case S::Added:
        s.on = true;
        s.status = QStringLiteral("Shortcuts from GNOME's keyboard shortcuts");
        s.explanation = QStringLiteral("GNOME runs the stashwick command for each chord; they are "
                                       "in %1. A chord recorded below changes them there too.")
                            .arg(where);
        break;
    case S::Adding:
    case S::Updating:
    case S::Removing:
        s.status = status.state == S::Adding     ? QStringLiteral("Adding to GNOME keyboard "
                                                                      "shortcuts\u2026")
                   : status.state == S::Updating ? QStringLiteral("Updating GNOME keyboard "
                                                                  "shortcuts\u2026")
                                                 : QStringLiteral("Removing GNOME keyboard "
                                                                  "shortcuts\u2026");
        s.explanation = QStringLiteral("gsettings is writing Stashwick's custom shortcuts.");
        break;
    case S::Failed: {
        const S failed = status.failedRequest;
        s.status = failed == S::Adding     ? QStringLiteral("Could not add to GNOME keyboard "
                                                                "shortcuts")
                   : failed == S::Updating ? QStringLiteral("Could not update GNOME keyboard "
                                                            "shortcuts")
                   : failed == S::Removing ? QStringLiteral("Could not remove GNOME keyboard "
                                                            "shortcuts")
                                           : QStringLiteral("Could not read GNOME keyboard "
                                                            "shortcuts");
        s.explanation =
            status.failure.contains(QStringLiteral("No such schema"))
                ? QStringLiteral("%1. GNOME's keyboard settings are not installed here (package "
                                 "gnome-settings-daemon-common).")
                      .arg(status.failure)
                : QStringLiteral("%1. Try again, or add these in %2 by hand.")
                      .arg(status.failure, where);
        s.gnomeAdd = true;
        break;
    }
    }
    if (!report.keystrokesWork()) {
        s.explanation += QStringLiteral(" Until GNOME lets Stashwick press keys, a copy chord "
                                        "saves what is already on the clipboard and a paste "
                                        "chord puts the slot on the clipboard for you to paste.");
    }
    return s;
}

Shown describe(const SessionReport& report, bool available, const HotkeyConfig& config,
               const DesktopServices* desktop, const GnomeShortcuts* gnome) {
    using C = SessionReport::Chords;
    if (report.chords == C::GnomeShortcuts && gnome) {
        return describeGnome(report, gnome->status(), gnome->entries(config));
    }
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
        if (desktop) {
            s.lines = desktop->compositorBindings(config, report.bindingsFlavour);
        }
        s.copyable = true;
        break;
    }
    case C::GnomeShortcuts:
        s.status = QStringLiteral("Shortcuts from GNOME's keyboard shortcuts");
        s.explanation = QStringLiteral("GNOME's custom keyboard shortcuts run the stashwick "
                                       "command for each chord.");
        break;
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

    auto* gnomeRow = new QHBoxLayout;
    gnomeRow->setSpacing(10);
    m_gnomeAdd = new StyledButton(theme, StyledButton::Kind::Action,
                                  QStringLiteral("Add to GNOME keyboard shortcuts"), this);
    m_gnomeAdd->setAccessibleDescription(
        QStringLiteral("Adds Stashwick's 21 chords to GNOME's custom keyboard shortcuts"));
    m_gnomeRemove = new StyledButton(theme, StyledButton::Kind::Neutral,
                                     QStringLiteral("Remove GNOME keyboard shortcuts"), this);
    m_gnomeRemove->setAccessibleDescription(QStringLiteral(
        "Removes Stashwick's chords from GNOME's custom keyboard shortcuts, and no others"));
    for (StyledButton* b : {m_gnomeAdd, m_gnomeRemove}) {
        b->setFocusPolicy(Qt::StrongFocus);
        b->setAccessibleName(b->text());
        b->setVisible(false);
        gnomeRow->addWidget(b);
    }
    gnomeRow->addStretch(1);
    layout->addLayout(gnomeRow);

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
    const QStringList keyboardCommand =
        m_source.desktop ? m_source.desktop->keyboardSettingsCommand() : QStringList();
    if (keyboardCommand.isEmpty()) {
        // Said in the card, not only in a tooltip: a greyed-out button shows no tooltip to the
        // keyboard, and nobody hovers over it to find out why.
        const QString reason = QStringLiteral("Stashwick does not know this desktop's keyboard "
                                              "settings; open them from its settings program.");
        m_keyboard->setEnabled(false);
        m_keyboard->setToolTip(reason);
        m_keyboard->setAccessibleDescription(reason);
        showKeyboardReason(reason);
    }
    connect(m_keyboard, &QAbstractButton::clicked, this, [this, keyboardCommand] {
        if (!m_source.desktop || !m_source.desktop->openKeyboardSettings()) {
            showKeyboardReason(QStringLiteral("Could not start %1: is it installed?")
                                   .arg(keyboardCommand.join(u' ')));
        }
    });
    // A request while another runs would only repeat it: the buttons wait for the answer.
    const auto idle = [this] {
        const auto state = gnome()->status().state;
        return state != GnomeShortcuts::State::Adding && state != GnomeShortcuts::State::Updating &&
               state != GnomeShortcuts::State::Removing;
    };
    connect(m_gnomeAdd, &QAbstractButton::clicked, this, [this, idle] {
        if (gnomeChords() && idle()) {
            gnome()->add(m_config, showWhenDone());
            refresh(m_config);
        }
    });
    connect(m_gnomeRemove, &QAbstractButton::clicked, this, [this, idle] {
        if (gnomeChords() && idle()) {
            gnome()->remove(showWhenDone());
            refresh(m_config);
        }
    });
    connect(m_copy, &QAbstractButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(m_lines->toPlainText()); });
    connect(m_recheck, &QAbstractButton::clicked, this, [this] {
        if (m_source.recheck) {
            m_source.recheck();
        }
        if (gnomeChords()) {
            gnome()->check(showWhenDone());
        }
        refresh(m_config);
    });
}

GnomeShortcuts* ShortcutsAvailabilityCard::gnome() const {
    return m_source.desktop ? m_source.desktop->gnomeShortcuts() : nullptr;
}

bool ShortcutsAvailabilityCard::gnomeChords() const {
    return gnome() && m_source.session &&
           m_source.session().chords == SessionReport::Chords::GnomeShortcuts;
}

GnomeShortcuts::Done ShortcutsAvailabilityCard::showWhenDone() {
    return [card = QPointer<ShortcutsAvailabilityCard>(this)] {
        if (card) {
            card->refresh(card->m_config);
        }
    };
}

void ShortcutsAvailabilityCard::showKeyboardReason(const QString& reason) {
    if (!m_keyboardReason) {
        m_keyboardReason =
            WindowParts::label(reason, WindowFonts::caption(), m_theme.secondaryLabel(), this);
        m_keyboardReason->setWordWrap(true);
        layout()->addWidget(m_keyboardReason);
    }
    m_keyboardReason->setText(reason);
    m_keyboardReason->setAccessibleName(reason);
}

void ShortcutsAvailabilityCard::refresh(const HotkeyConfig& config) {
    if (gnomeChords()) {
        if (!m_shownConfig) {
            gnome()->check(showWhenDone()); // what GNOME has now
        } else if (*m_shownConfig != config) {
            gnome()->update(config, showWhenDone()); // a recorded chord
        }
    }
    m_config = config;
    m_shownConfig = config;
    const SessionReport report = m_source.session ? m_source.session() : SessionReport();
    const Shown s = describe(report, m_source.available && m_source.available(), config,
                             m_source.desktop, gnomeChords() ? gnome() : nullptr);
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
    // The keyboard stays on the GNOME buttons when the one it was on goes away.
    if (m_gnomeAdd->hasFocus() && !s.gnomeAdd && s.gnomeRemove) {
        m_gnomeRemove->setVisible(true);
        m_gnomeRemove->setFocus(Qt::OtherFocusReason);
    } else if (m_gnomeRemove->hasFocus() && !s.gnomeRemove && s.gnomeAdd) {
        m_gnomeAdd->setVisible(true);
        m_gnomeAdd->setFocus(Qt::OtherFocusReason);
    }
    m_gnomeAdd->setVisible(s.gnomeAdd);
    m_gnomeRemove->setVisible(s.gnomeRemove);
}
