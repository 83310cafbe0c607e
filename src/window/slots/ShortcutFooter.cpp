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

namespace {

// What the desktop assigned to the ten shortcuts "<prefix> 0" … "<prefix> 9", in one text:
// "Ctrl+Alt+N" when each is the same keys with its own digit, else the first one assigned with
// "…"; absent when the desktop assigned nothing.
std::optional<QString> assignedPattern(const SessionReport& report, const QString& prefix) {
    std::optional<QString> pattern;
    bool uniform = true;
    for (int n = 0; n <= 9; ++n) {
        const QString description = QStringLiteral("%1 %2").arg(prefix).arg(n);
        for (const auto& [d, trigger] : report.assignedTriggers) {
            if (d != description || trigger.isEmpty()) {
                continue;
            }
            const QString digit = QString::number(n);
            const QString form = trigger.endsWith(digit)
                                     ? trigger.chopped(digit.size()) + QLatin1Char('N')
                                     : trigger + QStringLiteral(" \u2026");
            if (!pattern) {
                pattern = form;
            } else if (*pattern != form) {
                uniform = false;
            }
        }
    }
    if (pattern && !uniform && !pattern->endsWith(QStringLiteral("\u2026"))) {
        *pattern += QStringLiteral(" \u2026");
    }
    return pattern;
}

QString assigned(const SessionReport& report, const QString& description) {
    for (const auto& [d, trigger] : report.assignedTriggers) {
        if (d == description && !trigger.isEmpty()) {
            return trigger;
        }
    }
    return QStringLiteral("Not assigned");
}

} // namespace

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
    QString copy = config.copyChordText();
    QString paste = config.pasteChordText();
    QString summon = config.summon.modifiers.chord(KeyNames::name(config.summon.keyCode));
    // Where the desktop's shortcut settings give the chords, the keys it assigned are the ones
    // that work.
    if (const SessionReport report = m_context.session();
        report.chords == SessionReport::Chords::DesktopShortcuts) {
        copy = assignedPattern(report, QStringLiteral("Copy into slot"))
                   .value_or(QStringLiteral("Not assigned"));
        paste = assignedPattern(report, QStringLiteral("Paste slot"))
                    .value_or(QStringLiteral("Not assigned"));
        summon = assigned(report, QStringLiteral("Open Stashwick"));
    }
    row->addWidget(new ShortcutBox(theme, QStringLiteral("Copy"), copy, m_boxes));
    row->addWidget(new ShortcutBox(theme, QStringLiteral("Paste"), paste, m_boxes));
    row->addWidget(new ShortcutBox(theme, QStringLiteral("Open window"), summon, m_boxes));
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
