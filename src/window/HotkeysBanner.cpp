#include "HotkeysBanner.h"

#include "WindowFonts.h"
#include "ui/ComponentPaint.h"
#include "ui/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

HotkeysBanner::HotkeysBanner(const Theme& theme, QWidget* parent)
    : QWidget(parent), m_theme(theme), m_label(new QLabel(textFor(SessionReport()), this)),
      m_button(new QPushButton(QStringLiteral("Open Settings"), this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(16, 10, 16, 10);
    row->setSpacing(10);
    m_label->setWordWrap(true);
    m_label->setFont(WindowFonts::callout());
    m_button->setFont(WindowFonts::callout(QFont::DemiBold));
    m_button->setFlat(true);
    m_button->setCursor(Qt::PointingHandCursor);
    row->addWidget(m_label, 1);
    row->addSpacing(16);
    row->addWidget(m_button);
    connect(m_button, &QPushButton::clicked, this, &HotkeysBanner::openSettings);
    setAccessibleName(m_label->text());
    restyle();
}

QString HotkeysBanner::textFor(const SessionReport& report) {
    if (report.chords == SessionReport::Chords::Waiting) {
        return QStringLiteral("Shortcuts are not on yet \u2014 Stashwick is waiting for the "
                              "desktop's shortcut service.");
    }
    if (report.session == u"wayland") {
        return report.offReason.isEmpty()
                   ? QStringLiteral("Shortcuts are off in this Wayland session.")
                   : QStringLiteral("Shortcuts are off \u2014 %1.").arg(report.offReason);
    }
    return QStringLiteral("Shortcuts are off \u2014 Stashwick needs an X11 session with the XTEST "
                          "extension to copy and paste by hotkey.");
}

void HotkeysBanner::setReport(const SessionReport& report) {
    m_label->setText(textFor(report));
    setAccessibleName(m_label->text());
}

QString HotkeysBanner::text() const {
    return m_label->text();
}

void HotkeysBanner::restyle() {
    QPalette p = m_label->palette();
    p.setColor(QPalette::WindowText, m_theme.label());
    m_label->setPalette(p);
    m_button->setStyleSheet(
        QStringLiteral("QPushButton { color: %1; background: transparent; border: none; "
                       "padding: 2px 4px; }"
                       "QPushButton:focus { text-decoration: underline; }")
            .arg(m_theme.accentText().name()));
    update();
}

void HotkeysBanner::paintEvent(QPaintEvent*) {
    QPainter p(this);
    ComponentPaint::warningPanel(p, m_theme, rect());
}
