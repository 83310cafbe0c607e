#pragma once

#include <QWidget>

class HUDModel;
class QVariantAnimation;
class Theme;
class Thumbnailer;

// The HUD's capsule: outcome icon, slot badge, thumbnail or one-line preview, and the title,
// at the bottom centre of the 420 x 96 panel. Shrinks to 0.92 and fades out when the model
// turns invisible.
class HUDView : public QWidget {
    Q_OBJECT
public:
    static constexpr int panelWidth = 420;
    static constexpr int panelHeight = 96;

    HUDView(HUDModel& model, const Theme& theme, Thumbnailer& thumbnails, bool translucent,
            QWidget* parent = nullptr);

    // The capsule's natural rectangle inside the panel.
    QRectF capsuleRect() const;

Q_SIGNALS:
    void capsuleChanged();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    HUDModel& m_model;
    const Theme& m_theme;
    Thumbnailer& m_thumbnails;
    bool m_translucent;
    double m_appearance = 0;
    QVariantAnimation* m_animation;
};
