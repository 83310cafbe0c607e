#include "ShortcutFooter.h"

#include "ShortcutBox.h"
#include "core/UserDefaults.h"
#include "hotkeys/HotkeyConfig.h"
#include "hotkeys/KeyNames.h"
#include "ui/Theme.h"
#include "window/WindowFonts.h"
#include "window/WindowParts.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

ShortcutFooter::ShortcutFooter(WindowContext context, QWidget* parent)
    : QWidget(parent), m_context(std::move(context)), m_column(new QVBoxLayout(this)) {
    m_column->setContentsMargins(0, 4, 0, 0);
    m_column->setSpacing(8);
    connect(&m_context.defaults, &UserDefaults::changed, this, [this](const QString& key) {
        if (key.isEmpty() || key == HotkeyConfig::defaultsKey) {
            reload();
        }
    });
    reload();
}

void ShortcutFooter::reload() {
    delete m_boxes;
    qDeleteAll(m_conflicts);
    m_conflicts.clear();
    const Theme& theme = m_context.theme;
    const HotkeyConfig config = HotkeyConfig::load(m_context.defaults);

    m_boxes = new QWidget(this);
    auto* row = new QHBoxLayout(m_boxes);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(16);
    row->addWidget(new ShortcutBox(theme, QStringLiteral("Copy"), config.copyChordText(), m_boxes));
    row->addWidget(
        new ShortcutBox(theme, QStringLiteral("Paste"), config.pasteChordText(), m_boxes));
    row->addWidget(new ShortcutBox(
        theme, QStringLiteral("Open window"),
        config.summon.modifiers.chord(KeyNames::name(config.summon.keyCode)), m_boxes));
    m_column->addWidget(m_boxes);

    for (const HotkeyConflict& c : config.conflicts(m_context.unavailableChords())) {
        QWidget* line = WindowParts::conflictLine(theme, c, this);
        m_column->addWidget(line);
        m_conflicts.append(line);
    }
}

QStringList ShortcutFooter::conflictLines() const {
    QStringList out;
    for (const QWidget* line : m_conflicts) {
        out << line->accessibleName();
    }
    return out;
}
