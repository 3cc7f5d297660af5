#include "ui/CircularCloseButton.h"

#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QPainter>

namespace tarnwick {

CircularCloseButton::CircularCloseButton(const QString& help, bool subtle, QWidget* parent)
    : QAbstractButton(parent)
    , subtle_(subtle) {
    setToolTip(help);
    setAccessibleName(help);
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    setFixedSize(sizeHint());
}

qreal CircularCloseButton::circleOpacity() const {
    if (!subtle_) {
        return 0.09;
    }
    return hovering_ ? 0.075 : 0.0;
}

QSize CircularCloseButton::sizeHint() const {
    return subtle_ ? QSize(32, 32) : QSize(24, 24);
}

void CircularCloseButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF circle = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (circleOpacity() > 0) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::withOpacity(Theme::primary(this), circleOpacity()));
        painter.drawEllipse(circle);
    }
    const int side = subtle_ ? 13 : 9;
    const QPixmap cross =
        Symbols::pixmap("xmark", side, Theme::secondary(this), painter.device()->devicePixelRatioF());
    painter.drawPixmap(QPoint((width() - side) / 2, (height() - side) / 2), cross);
    if (hasFocus()) {
        painter.setPen(QPen(Theme::withOpacity(Theme::blue(), 0.6), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(circle.adjusted(1, 1, -1, -1));
    }
}

void CircularCloseButton::enterEvent(QEnterEvent* event) {
    hovering_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CircularCloseButton::leaveEvent(QEvent* event) {
    hovering_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

bool CircularCloseButton::hitButton(const QPoint& position) const {
    // The whole circle, and only the circle, is the target.
    const QPointF centre = QRectF(rect()).center();
    const qreal radius = width() / 2.0;
    const QPointF offset = QPointF(position) - centre;
    return offset.x() * offset.x() + offset.y() * offset.y() <= radius * radius;
}

} // namespace tarnwick
