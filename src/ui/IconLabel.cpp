#include "ui/IconLabel.h"

#include <QPainter>

namespace tarnwick {

IconLabel::IconLabel(int side, QWidget* parent)
    : QWidget(parent)
    , side_(side) {
    setFixedSize(side_, side_);
}

void IconLabel::setIcon(QIcon icon) {
    icon_ = std::move(icon);
    update();
}

void IconLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    icon_.paint(&painter, rect());
}

} // namespace tarnwick
