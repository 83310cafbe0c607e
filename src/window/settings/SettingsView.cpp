#include "SettingsView.h"

#include "ShortcutRecorderRow.h"
#include "ShortcutsAvailabilityCard.h"
#include "app/AppState.h"
#include "app/DesktopServices.h"
#include "core/UserDefaults.h"
#include "hotkeys/KeyNames.h"
#include "ui/AppearanceMode.h"
#include "ui/CapsuleSegmented.h"
#include "ui/Card.h"
#include "ui/Icons.h"
#include "ui/PaletteColors.h"
#include "ui/StyledButton.h"
#include "ui/Theme.h"
#include "ui/ThemedSwitch.h"
#include "window/WindowFonts.h"
#include "window/WindowParts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QHBoxLayout* header(const Theme& theme, const QString& symbol, const QString& title,
                    QWidget* parent) {
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    auto* icon = new QLabel(parent);
    icon->setPixmap(
        Icons::pixmap(symbol, QSize(16, 16), theme.accentText(), parent->devicePixelRatioF()));
    icon->setFixedWidth(20);
    row->addWidget(icon);
    row->addWidget(
        WindowParts::label(title, WindowFonts::callout(QFont::DemiBold), theme.label(), parent));
    return row;
}

QVBoxLayout* card(const Theme& theme, int spacing, QVBoxLayout* column) {
    auto* c = new Card(theme, 16);
    auto* layout = new QVBoxLayout(c);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    column->addWidget(c);
    return layout;
}

} // namespace

SettingsView::SettingsView(WindowContext context, QWidget* parent)
    : QScrollArea(parent), m_context(std::move(context)),
      m_config(HotkeyConfig::load(m_context.defaults)) {
    const Theme& theme = m_context.theme;
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 4, 0, 4);
    column->setSpacing(16);
    column->addWidget(WindowParts::label(QStringLiteral("Settings"), WindowFonts::title(),
                                         theme.label(), content));

    // Whether the shortcuts can work here, and where they come from.
    m_access = new ShortcutsAvailabilityCard(theme,
                                             {m_context.session, m_context.shortcutsAvailable,
                                              m_context.recheckShortcuts, &m_context.desktop},
                                             content);
    column->addWidget(m_access);
    m_access->refresh(m_config);

    // Appearance.
    QVBoxLayout* looks = card(theme, 14, column);
    QWidget* looksCard = looks->parentWidget();
    looks->addLayout(header(theme, QStringLiteral("paintpalette.fill"),
                            QStringLiteral("Appearance"), looksCard));
    m_appearance = new CapsuleSegmented(
        theme,
        {{QStringLiteral("system"), QStringLiteral("System"),
          QStringLiteral("circle.lefthalf.filled")},
         {QStringLiteral("light"), QStringLiteral("Light"), QStringLiteral("sun.max")},
         {QStringLiteral("dark"), QStringLiteral("Dark"), QStringLiteral("moon")}},
        looksCard);
    m_appearance->setSelection(
        AppearanceModes::rawValue(AppearanceModes::current(m_context.defaults)));
    QList<CapsuleSegmented::Option> palettes;
    for (int i = 0; i < PaletteColors::names().size(); ++i) {
        palettes.append({PaletteColors::names()[i], PaletteColors::titles()[i], QString()});
    }
    m_palette = new CapsuleSegmented(theme, palettes, looksCard);
    m_palette->setSelection(PaletteColors::names().value(theme.activePalette()));
    for (auto [caption, picker] : {std::pair{QStringLiteral("Light / Dark"), m_appearance},
                                   std::pair{QStringLiteral("Theme"), m_palette}}) {
        looks->addWidget(
            WindowParts::label(caption, WindowFonts::caption(), theme.secondaryLabel(), looksCard));
        picker->setAccessibleName(caption);
        picker->setFocusPolicy(Qt::StrongFocus);
        looks->addWidget(picker);
    }
    UserDefaults& defaults = m_context.defaults;
    connect(m_appearance, &CapsuleSegmented::selectionChanged, this, [&defaults](const QString& v) {
        defaults.setString(QStringLiteral("appearanceMode"), v);
    });
    connect(m_palette, &CapsuleSegmented::selectionChanged, this, [&defaults](const QString& v) {
        defaults.setString(QStringLiteral("themePalette"), v);
    });

    // Shortcuts.
    QVBoxLayout* keys = card(theme, 12, column);
    QWidget* keysCard = keys->parentWidget();
    QHBoxLayout* keysHeader =
        header(theme, QStringLiteral("keyboard"), QStringLiteral("Shortcuts"), keysCard);
    keysHeader->addStretch(1);
    auto* reset = new QPushButton(QStringLiteral("Reset to defaults"), keysCard);
    reset->setFlat(true);
    reset->setFont(WindowFonts::caption(QFont::Medium));
    // The focus ring is the border the button keeps transparent until it has the keyboard.
    reset->setStyleSheet(QStringLiteral("QPushButton { color: %1; background: transparent; "
                                        "border: 2px solid transparent; border-radius: 7px; "
                                        "padding: 0px 4px; } "
                                        "QPushButton:focus { border-color: %1; }")
                             .arg(theme.accentText().name()));
    reset->setAccessibleName(reset->text());
    connect(reset, &QPushButton::clicked, this, [this] { resetShortcuts(); });
    keysHeader->addWidget(reset);
    keys->addLayout(keysHeader);
    m_copyRow = new ShortcutRecorderRow(theme, QStringLiteral("Copy to slot"), m_context.keyCodeOf,
                                        keysCard);
    m_pasteRow =
        new ShortcutRecorderRow(theme, QStringLiteral("Paste slot"), m_context.keyCodeOf, keysCard);
    m_summonRow = new ShortcutRecorderRow(theme, QStringLiteral("Open window"), m_context.keyCodeOf,
                                          keysCard);
    m_copyRow->onCapture = [this](const KeyChord& k) {
        HotkeyConfig c = m_config;
        c.copyModifiers = k.modifiers; // the key stands for any digit
        apply(c);
    };
    m_pasteRow->onCapture = [this](const KeyChord& k) {
        HotkeyConfig c = m_config;
        c.pasteModifiers = k.modifiers;
        apply(c);
    };
    m_summonRow->onCapture = [this](const KeyChord& k) {
        HotkeyConfig c = m_config;
        c.summon = k;
        apply(c);
    };
    for (ShortcutRecorderRow* row : {m_copyRow, m_pasteRow, m_summonRow}) {
        keys->addWidget(row);
    }
    m_conflicts = new QVBoxLayout;
    m_conflicts->setSpacing(4);
    keys->addLayout(m_conflicts);
    showConfig();

    // General.
    QVBoxLayout* general = card(theme, 12, column);
    QWidget* generalCard = general->parentWidget();
    general->addLayout(header(theme, QStringLiteral("slider.horizontal.3"),
                              QStringLiteral("General"), generalCard));
    m_login = new ThemedSwitch(theme, QStringLiteral("Launch at login"), generalCard);
    m_login->setCheckable(true);
    m_login->setChecked(m_context.desktop.startsAtLogin());
    m_login->setAccessibleName(QStringLiteral("Launch at login"));
    m_login->setFocusPolicy(Qt::StrongFocus);
    general->addWidget(m_login);
    general->addWidget(
        WindowParts::label(QStringLiteral("Start Stashwick automatically when you sign in."),
                           WindowFonts::caption(), theme.secondaryLabel(), generalCard));
    // A failure is logged; the switch keeps the position the user gave it.
    connect(m_login, &QAbstractButton::toggled, this,
            [this](bool on) { m_context.desktop.setStartsAtLogin(on); });

    column->addStretch(1);
    setWidget(content);
    WindowParts::makeTransparent(this);
}

void SettingsView::apply(const HotkeyConfig& config) {
    m_config = config;
    if (m_context.state.reloadHotkeys) {
        m_context.state.reloadHotkeys(m_config); // saves and applies
    } else {
        m_config.save(m_context.defaults);
    }
    m_access->refresh(m_config); // the bindings to add follow the chords
    showConfig();
}

void SettingsView::resetShortcuts() {
    apply(HotkeyConfig::defaults());
}

void SettingsView::showConfig() {
    m_copyRow->setCurrent(m_config.copyChordText());
    m_pasteRow->setCurrent(m_config.pasteChordText());
    m_summonRow->setCurrent(
        m_config.summon.modifiers.chord(KeyNames::name(m_config.summon.keyCode)));
    qDeleteAll(m_conflictLines);
    m_conflictLines.clear();
    for (const HotkeyConflict& c : m_config.conflicts(m_context.unavailableChords())) {
        QWidget* line = WindowParts::conflictLine(m_context.theme, c, m_copyRow->parentWidget());
        m_conflicts->addWidget(line);
        m_conflictLines.append(line);
    }
}

QStringList SettingsView::conflictLines() const {
    QStringList out;
    for (const QWidget* line : m_conflictLines) {
        out << line->accessibleName();
    }
    return out;
}

QLabel* SettingsView::availability() const {
    return m_access->availability();
}

StyledButton* SettingsView::keyboardSettingsButton() const {
    return m_access->keyboardSettingsButton();
}

QLabel* SettingsView::keyboardSettingsReason() const {
    return m_access->keyboardSettingsReason();
}

StyledButton* SettingsView::recheckButton() const {
    return m_access->recheckButton();
}
