#include "ui/DropOverlay.h"

#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace tarnwick {

DropOverlay::DropOverlay(QWidget* parent)
    : QWidget(parent) {
    // The drag belongs to the pane underneath; the overlay only shows it.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAccessibleName(text());
}

QString DropOverlay::text() {
    return tr("Drop Application to Scan");
}

void DropOverlay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Nothing of the pane shows through: its texts would run into the overlay's own.
    painter.fillRect(rect(), palette().window());
    QPainterPath plate;
    plate.addRoundedRect(QRectF(rect()).adjusted(12, 12, -12, -12), 22, 22);
    painter.fillPath(plate, Theme::withOpacity(Theme::blue(), 0.12));
    painter.setPen(QPen(Theme::withOpacity(Theme::blue(), 0.5), 2, Qt::DashLine));
    painter.drawPath(plate);

    const int symbolSide = 54;
    const QFont font = Theme::font(Theme::TextStyle::title2, QFont::Bold);
    const QFontMetrics metrics(font);
    const int spacing = 14;
    const int top = (height() - symbolSide - spacing - metrics.height()) / 2;
    painter.drawPixmap(QPoint((width() - symbolSide) / 2, top),
                       Symbols::pixmap("arrow.down.app.fill", symbolSide, Theme::blue(),
                                       painter.device()->devicePixelRatioF()));
    painter.setFont(font);
    painter.setPen(Theme::primary(this));
    painter.drawText(QRect(0, top + symbolSide + spacing, width(), metrics.height()), Qt::AlignCenter,
                     text());
}

} // namespace tarnwick
