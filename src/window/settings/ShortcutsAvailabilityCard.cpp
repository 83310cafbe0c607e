#include "ShortcutsAvailabilityCard.h"

#include "ShortcutsAvailabilityText.h"

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
    m_clash = WindowParts::label(QString(), WindowFonts::caption(), theme.warning(), this);
    m_clash->setWordWrap(true);
    m_clash->setVisible(false);
    layout->addWidget(m_clash);
    m_gnomeFree = new StyledButton(theme, StyledButton::Kind::Neutral,
                                   QStringLiteral("Give these keys to Stashwick"), this);
    m_gnomeFree->setAccessibleName(m_gnomeFree->text());
    m_gnomeFree->setAccessibleDescription(
        QStringLiteral("Takes Stashwick's chords off GNOME's own keyboard shortcuts"));
    m_gnomeFree->setFocusPolicy(Qt::StrongFocus);
    m_gnomeFree->setVisible(false);
    auto* clashRow = new QHBoxLayout;
    clashRow->addWidget(m_gnomeFree);
    clashRow->addStretch(1);
    layout->addLayout(clashRow);

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
               state != GnomeShortcuts::State::Removing && state != GnomeShortcuts::State::Freeing;
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
    connect(m_gnomeFree, &QAbstractButton::clicked, this, [this, idle] {
        if (gnome() && idle()) {
            gnome()->freeClashes(m_config, showWhenDone());
            refresh(m_config);
        }
    });
    connect(m_copy, &QAbstractButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(m_lines->toPlainText()); });
    connect(m_recheck, &QAbstractButton::clicked, this, [this] {
        if (m_source.recheck) {
            m_source.recheck();
        }
        if (gnome()) {
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
    // What GNOME has now; after a recorded chord, once the program has written it there (GNOME
    // answers requests in order).
    if (gnome() && (!m_shownConfig || *m_shownConfig != config)) {
        gnome()->check(showWhenDone());
    }
    m_config = config;
    m_shownConfig = config;
    const SessionReport report = m_source.session ? m_source.session() : SessionReport();
    const bool viaGnome = gnomeChords();
    const GnomeShortcuts::Status gnomeStatus =
        viaGnome ? gnome()->status() : GnomeShortcuts::Status();
    const QStringList bindings =
        report.chords == SessionReport::Chords::CompositorBindings && m_source.desktop
            ? m_source.desktop->compositorBindings(config, report.bindingsFlavour)
            : QStringList();
    const ShortcutsAvailabilityText s = ShortcutsAvailabilityText::of(
        report, m_source.available && m_source.available(), bindings,
        viaGnome ? &gnomeStatus : nullptr,
        viaGnome ? gnome()->entries(config) : QList<GnomeShortcuts::Entry>(),
        gnome() ? gnome()->clashes(config) : QList<GnomeShortcuts::Clash>());
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
    m_clash->setText(s.clash);
    m_clash->setAccessibleName(s.clash);
    m_clash->setVisible(!s.clash.isEmpty());
    if (m_gnomeFree->hasFocus() && !s.gnomeFree) {
        m_recheck->setFocus(Qt::OtherFocusReason);
    }
    m_gnomeFree->setVisible(s.gnomeFree);
}
