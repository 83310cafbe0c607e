#include "LinkDialog.h"

#include "ui/ButtonKeys.h"
#include "ui/Icons.h"
#include "ui/StyledButton.h"
#include "ui/Theme.h"
#include "ui/ThemedPalette.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {

QLabel* textLabel(const QString& text, const QColor& color, double points, QFont::Weight weight,
                  QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText); // what a link says is never read as markup
    label->setText(text);
    label->setWordWrap(true);
    label->setFocusPolicy(Qt::NoFocus);
    QFont font = label->font();
    font.setPointSizeF(points);
    font.setWeight(weight);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

// A link has no spaces to wrap at: it may break after each "/" and every 30 characters.
QString breakable(const QString& url) {
    QString out;
    int run = 0;
    for (QChar c : url) {
        out += c;
        if (c == u'/' || (++run >= 30 && !c.isHighSurrogate())) {
            out += u'\u200b';
            run = 0;
        }
    }
    return out;
}

} // namespace

LinkDialog::LinkDialog(const Theme& theme, const QString& sentence, const QString& url,
                       int othersWaiting, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), m_theme(theme),
      m_deny(new StyledButton(theme, StyledButton::Kind::Action, QStringLiteral("Deny"), this)),
      m_allow(new StyledButton(theme, StyledButton::Kind::Neutral, QStringLiteral("Allow"), this)) {
    setWindowTitle(QStringLiteral("Allow this link? \u2014 Stashwick"));
    setAccessibleName(QStringLiteral("A link from another program"));
    setAccessibleDescription(sentence);
    ThemedPalette::apply(this, theme);
    setFixedWidth(dialogWidth);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(20, 20, 20, 16);
    row->setSpacing(14);
    auto* mark = new QLabel(this);
    mark->setTextFormat(Qt::PlainText);
    mark->setPixmap(Icons::pixmap(QStringLiteral("exclamationmark.triangle.fill"), QSize(28, 28),
                                  theme.warning(), devicePixelRatioF()));
    mark->setAlignment(Qt::AlignTop);
    mark->setAccessibleName(QStringLiteral("Caution"));
    row->addWidget(mark, 0, Qt::AlignTop);

    auto* column = new QVBoxLayout;
    column->setSpacing(8);
    row->addLayout(column, 1);
    column->addWidget(
        textLabel(QStringLiteral("Allow this link?"), theme.label(), 13, QFont::DemiBold, this));
    QLabel* what = textLabel(sentence + u'.', theme.label(), 11, QFont::Normal, this);
    what->setObjectName(QStringLiteral("sentence"));
    column->addWidget(what);
    QLabel* link = textLabel(breakable(url), theme.secondaryLabel(), 9, QFont::Normal, this);
    link->setObjectName(QStringLiteral("url"));
    link->setAccessibleName(QStringLiteral("Link: %1").arg(url));
    column->addWidget(link);
    m_waiting = textLabel(QString(), theme.secondaryLabel(), 9, QFont::Normal, this);
    m_waiting->setObjectName(QStringLiteral("waiting"));
    column->addWidget(m_waiting);
    setOthersWaiting(othersWaiting);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    buttons->addStretch(1);
    buttons->addWidget(m_deny);
    buttons->addWidget(m_allow);
    column->addSpacing(6);
    column->addLayout(buttons);

    m_deny->setAccessibleName(QStringLiteral("Deny"));
    m_deny->setAccessibleDescription(QStringLiteral("Do nothing with this link"));
    m_allow->setAccessibleName(QStringLiteral("Allow"));
    m_allow->setAccessibleDescription(sentence);
    m_deny->setFocusPolicy(Qt::StrongFocus);
    m_allow->setFocusPolicy(Qt::StrongFocus);
    setTabOrder(m_deny, m_allow);
    connect(m_deny, &QAbstractButton::clicked, this, [this] { done(Denied); });
    connect(m_allow, &QAbstractButton::clicked, this, [this] { done(Allowed); });
    m_deny->setFocus();
}

void LinkDialog::setOthersWaiting(int count) {
    m_waiting->setText(count == 1 ? QStringLiteral("1 more link is waiting.")
                                  : QStringLiteral("%1 more links are waiting.").arg(count));
    m_waiting->setVisible(count > 0);
}

void LinkDialog::keyPressEvent(QKeyEvent* event) {
    // Escape is the Deny button, and so is Return while no button has the focus.
    if ((event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) ||
        ButtonKeys::activates(event)) {
        m_deny->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void LinkDialog::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), m_theme.window());
}
