#pragma once

#include <QFont>

// The window's text styles.
class WindowFonts {
public:
    static QFont title() { return make(15, QFont::DemiBold); }
    static QFont callout(QFont::Weight weight = QFont::Normal) { return make(10.5, weight); }
    static QFont caption(QFont::Weight weight = QFont::Normal) { return make(9, weight); }
    static QFont caption2(QFont::Weight weight = QFont::Normal) { return make(8.5, weight); }

private:
    static QFont make(double points, QFont::Weight weight) {
        QFont f;
        f.setPointSizeF(points);
        f.setWeight(weight);
        return f;
    }
};
