#include "HUDView.h"

#include "HUDModel.h"
#include "clipboard/Thumbnailer.h"
#include "ui/ClipboardThumbnail.h"
#include "ui/ComponentPaint.h"
#include "ui/GlassSurface.h"
#include "ui/Icons.h"
#include "ui/Theme.h"

#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

namespace {
constexpr double hPad = 18, vPad = 11, spacing = 11, iconSize = 18, badge = 22, thumb = 28,
                 previewMax = 260;

QFont titleFont() {
    QFont f;
    f.setPointSizeF(12);
    f.setWeight(QFont::DemiBold);
    return f;
}
QFont previewFont() {
    QFont f;
    f.setPointSizeF(10);
    return f;
}
QFont badgeFont() {
    QFont f;
    f.setPointSizeF(10);
    f.setWeight(QFont::Bold);
    return f;
}

QColor iconColor(const Theme& theme, FeedbackOutcome outcome) {
    switch (outcome) {
    case FeedbackOutcome::Copied:
        return theme.success();
    case FeedbackOutcome::Pasted:
        return theme.accent();
    default:
        return theme.warning();
    }
}
} // namespace

HUDView::HUDView(HUDModel& model, const Theme& theme, Thumbnailer& thumbnails, bool translucent,
                 QWidget* parent)
    : QWidget(parent), m_model(model), m_theme(theme), m_thumbnails(thumbnails),
      m_translucent(translucent), m_animation(new QVariantAnimation(this)) {
    setFixedSize(panelWidth, panelHeight);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_appearance = model.visible() ? 1.0 : 0.0;
    m_animation->setDuration(300);
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_appearance = v.toDouble();
        update();
    });
    connect(&m_model, &HUDModel::visibleChanged, this, [this](bool visible) {
        m_animation->stop();
        m_animation->setStartValue(m_appearance);
        m_animation->setEndValue(visible ? 1.0 : 0.0);
        m_animation->start();
    });
    connect(&m_model, &HUDModel::changed, this, [this] {
        update();
        Q_EMIT capsuleChanged();
    });
}

QRectF HUDView::capsuleRect() const {
    const QFontMetricsF title(titleFont());
    const QFontMetricsF preview(previewFont());
    double w = hPad + iconSize;
    if (m_model.slot()) {
        w += spacing + badge;
    }
    if (m_model.imagePNG()) {
        w += spacing + thumb;
    }
    const bool showPreview = !m_model.preview().isEmpty() && !m_model.imagePNG();
    double textW = title.horizontalAdvance(HUDModel::title(m_model.outcome()));
    double textH = title.height();
    if (showPreview) {
        textW = std::max(textW, std::min(previewMax, preview.horizontalAdvance(m_model.preview())));
        textH += 1 + preview.height();
    }
    w += spacing + textW + hPad;
    const double h = std::max({textH, m_model.imagePNG() ? thumb : 0.0, badge}) + 2 * vPad;
    w = std::min(w, double(panelWidth));
    return QRectF((panelWidth - w) / 2, panelHeight - h, w, h);
}

void HUDView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF capsule = capsuleRect();
    if (m_translucent) {
        p.setOpacity(m_appearance);
        const double scale = 0.92 + 0.08 * m_appearance;
        p.translate(capsule.center());
        p.scale(scale, scale);
        p.translate(-capsule.center());
    }
    QPainterPath shape;
    shape.addRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);
    GlassSurface::paint(p, shape, m_theme,
                        {std::nullopt, GlassProminence::Prominent, m_translucent});
    p.strokePath(shape, QPen(m_theme.stroke(), 0.5));

    double x = capsule.left() + hPad;
    const double cy = capsule.center().y();
    p.drawPixmap(QPointF(x, cy - iconSize / 2),
                 Icons::pixmap(HUDModel::symbol(m_model.outcome()), QSize(iconSize, iconSize),
                               iconColor(m_theme, m_model.outcome()), devicePixelRatioF()));
    x += iconSize + spacing;
    if (const auto slot = m_model.slot()) {
        const QRectF circle(x, cy - badge / 2, badge, badge);
        p.setPen(Qt::NoPen);
        p.setBrush(ComponentPaint::actionGradient(m_theme, circle));
        p.drawEllipse(circle);
        p.setFont(badgeFont());
        p.setPen(m_theme.actionForeground());
        p.drawText(circle, Qt::AlignCenter, QString::number(*slot));
        x += badge + spacing;
    }
    if (const auto png = m_model.imagePNG()) {
        ClipboardThumbnail::paint(p, QRectF(x, cy - thumb / 2, thumb, thumb), *png,
                                  ClipboardThumbnail::ContentMode::Fill, 8, m_theme, m_thumbnails);
        x += thumb + spacing;
    }
    const bool showPreview = !m_model.preview().isEmpty() && !m_model.imagePNG();
    const QFontMetricsF titleMetrics(titleFont());
    const QFontMetricsF previewMetrics(previewFont());
    const double textH = titleMetrics.height() + (showPreview ? 1 + previewMetrics.height() : 0);
    double y = cy - textH / 2;
    p.setFont(titleFont());
    p.setPen(m_theme.label());
    p.drawText(QRectF(x, y, capsule.right() - hPad - x, titleMetrics.height()),
               Qt::AlignLeft | Qt::AlignVCenter, HUDModel::title(m_model.outcome()));
    if (showPreview) {
        y += titleMetrics.height() + 1;
        p.setFont(previewFont());
        p.setPen(m_theme.secondaryLabel());
        const double w = std::min(previewMax, capsule.right() - hPad - x);
        p.drawText(QRectF(x, y, w, previewMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                   previewMetrics.elidedText(m_model.preview(), Qt::ElideRight, w));
    }
}
