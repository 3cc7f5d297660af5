#include "ui/Badge.h"

#include "ui/Theme.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace tarnwick {

namespace {

constexpr int horizontalPadding = 6;
constexpr int verticalPadding = 3;

QFont badgeFont() {
    return Theme::font(9, QFont::Bold);
}

} // namespace

Badge::Badge(const QString& text, const QColor& color, QWidget* parent)
    : QWidget(parent)
    , text_(text)
    , color_(color) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(text);
}

void Badge::setText(const QString& text) {
    text_ = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

void Badge::setColor(const QColor& color) {
    color_ = color;
    update();
}

QSize Badge::sizeHint() const {
    return sizeFor(text_);
}

QSize Badge::sizeFor(const QString& text) {
    const QFontMetrics metrics(badgeFont());
    return {metrics.horizontalAdvance(text) + 2 * horizontalPadding, metrics.height() + 2 * verticalPadding};
}

QRect Badge::paint(QPainter& painter, const QPoint& topLeft, const QString& text, const QColor& color) {
    const QRect area(topLeft, sizeFor(text));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath capsule;
    capsule.addRoundedRect(QRectF(area), area.height() / 2.0, area.height() / 2.0);
    painter.fillPath(capsule, Theme::withOpacity(color, 0.14));
    painter.setFont(badgeFont());
    painter.setPen(color);
    painter.drawText(area, Qt::AlignCenter, text);
    painter.restore();
    return area;
}

void Badge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QSize size = sizeFor(text_);
    paint(painter, QPoint(0, (height() - size.height()) / 2), text_, color_);
}

} // namespace tarnwick
