#include "ui/SymbolLabel.h"

#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QPainter>

namespace tarnwick {

SymbolLabel::SymbolLabel(std::string symbol, int side, QColor color, QWidget* parent)
    : QWidget(parent)
    , symbol_(std::move(symbol))
    , side_(side)
    , color_(std::move(color)) {
    setFixedSize(side_, side_);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SymbolLabel::setSymbol(std::string symbol) {
    if (symbol_ != symbol) {
        symbol_ = std::move(symbol);
        update();
    }
}

void SymbolLabel::setColor(QColor color) {
    color_ = std::move(color);
    update();
}

void SymbolLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor color = color_.isValid() ? color_ : Theme::secondary(this);
    painter.drawPixmap(QPoint((width() - side_) / 2, (height() - side_) / 2),
                       Symbols::pixmap(symbol_, side_, color, painter.device()->devicePixelRatioF()));
}

} // namespace tarnwick
