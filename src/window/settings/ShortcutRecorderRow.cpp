#include "ShortcutRecorderRow.h"

#include "ui/ButtonKeys.h"
#include "ui/ComponentPaint.h"
#include "ui/Theme.h"
#include "window/WindowFonts.h"
#include "window/WindowParts.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

namespace {

// The chord on a capsule; outlined in the accent while recording, with the focus ring while
// it has the keyboard. Space or Return starts (and stops) a recording.
class ChordButton : public QAbstractButton {
public:
    ChordButton(const Theme& theme, const KeyRecorder& recorder, QWidget* parent)
        : QAbstractButton(parent), m_theme(theme), m_recorder(recorder) {
        setFocusPolicy(Qt::StrongFocus);
        setCursor(Qt::PointingHandCursor);
    }
    QSize sizeHint() const override {
        const QFontMetrics fm(font());
        return {std::max(84, fm.horizontalAdvance(text()) + 20), fm.height() + 10};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const bool recording = m_recorder.isRecording();
        const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
        QPainterPath capsule;
        capsule.addRoundedRect(r, r.height() / 2, r.height() / 2);
        p.fillPath(capsule, m_theme.surfaceRaise());
        p.strokePath(capsule,
                     recording ? QPen(m_theme.accentText(), 1.5) : QPen(m_theme.stroke(), 0.5));
        p.setFont(font());
        p.setPen(recording ? m_theme.accentText() : m_theme.label());
        p.drawText(r, Qt::AlignCenter, text());
        if (hasFocus() && !recording) {
            ComponentPaint::focusRing(p, m_theme, rect(), rect().height() / 2.0);
        }
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (ButtonKeys::activates(event)) {
            click();
            event->accept();
            return;
        }
        QAbstractButton::keyPressEvent(event);
    }

private:
    const Theme& m_theme;
    const KeyRecorder& m_recorder;
};

} // namespace

ShortcutRecorderRow::ShortcutRecorderRow(const Theme& theme, const QString& title,
                                         KeyRecorder::KeyCodeMapping keyCode, QWidget* parent)
    : QWidget(parent), m_recorder(std::move(keyCode)),
      m_button(new ChordButton(theme, m_recorder, this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(WindowParts::label(title, WindowFonts::callout(), theme.secondaryLabel(), this));
    row->addStretch(1);
    QFont mono = WindowFonts::callout(QFont::DemiBold);
    mono.setFamily(QStringLiteral("monospace"));
    mono.setStyleHint(QFont::Monospace);
    m_button->setFont(mono);
    row->addWidget(m_button);
    m_button->setAccessibleDescription(QStringLiteral("Click, then press the new shortcut"));
    connect(m_button, &QAbstractButton::clicked, this, [this] {
        if (m_recorder.isRecording()) {
            m_recorder.stop();
            return;
        }
        m_recorder.onCapture = [this](const KeyChord& chord) { onCapture(chord); };
        m_recorder.start();
    });
    connect(&m_recorder, &KeyRecorder::recordingChanged, this, [this, title] {
        m_button->setText(shownText());
        m_button->setAccessibleName(QStringLiteral("%1: %2").arg(title, shownText()));
        m_button->updateGeometry();
        m_button->update();
    });
    setAccessibleName(title);
}

ShortcutRecorderRow::~ShortcutRecorderRow() {
    m_recorder.stop();
}

QString ShortcutRecorderRow::shownText() const {
    return m_recorder.isRecording() ? QStringLiteral("Press keys\u2026") : m_current;
}

void ShortcutRecorderRow::setCurrent(const QString& chord) {
    m_current = chord;
    m_button->setText(shownText());
    m_button->setAccessibleName(QStringLiteral("%1: %2").arg(accessibleName(), shownText()));
    m_button->updateGeometry();
}

bool ShortcutRecorderRow::event(QEvent* event) {
    // A window passes its deactivation on to its children.
    if (event->type() == QEvent::WindowDeactivate) {
        m_recorder.stop();
    }
    return QWidget::event(event);
}

void ShortcutRecorderRow::hideEvent(QHideEvent* event) {
    m_recorder.stop(); // leaving the tab ends a recording
    QWidget::hideEvent(event);
}
