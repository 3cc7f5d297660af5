#include "ui/AppRow.h"

#include "ui/AppListModel.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace tarnwick {

namespace {

constexpr int horizontalPadding = 8;
constexpr int iconSide = 38;

using RowKind = AppListModel::RowKind;

RowKind kindOf(const QModelIndex& index) {
    return static_cast<RowKind>(index.data(AppListModel::rowKindRole).toInt());
}

bool isSelected(const QStyleOptionViewItem& option) {
    return option.state.testFlag(QStyle::State_Selected);
}

// Rows are drawn on the sidebar's own background; a selected row on a rounded accent plate.
void paintBackground(QPainter& painter, const QStyleOptionViewItem& option) {
    if (!isSelected(option)) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath plate;
    plate.addRoundedRect(QRectF(option.rect).adjusted(4, 1, -4, -1), 6, 6);
    const bool active = option.state.testFlag(QStyle::State_Active);
    painter.fillPath(plate, active ? Theme::blue() : Theme::withOpacity(Theme::primary(option.widget), 0.12));
    painter.restore();
}

QColor primaryText(const QStyleOptionViewItem& option) {
    return isSelected(option) && option.state.testFlag(QStyle::State_Active) ? QColor(Qt::white)
                                                                             : Theme::primary(option.widget);
}

QColor secondaryText(const QStyleOptionViewItem& option) {
    return isSelected(option) && option.state.testFlag(QStyle::State_Active)
               ? Theme::withOpacity(Qt::white, 0.8)
               : Theme::secondary(option.widget);
}

// Draws a name above a caption line, vertically centred in `area`, eliding to its width.
void paintTwoLines(QPainter& painter, const QRect& area, const QString& name, const QString& caption,
                   const QStyleOptionViewItem& option) {
    const QFont nameFont = Theme::font(Theme::TextStyle::body, QFont::Medium);
    const QFont captionFont = Theme::font(Theme::TextStyle::caption);
    const QFontMetrics nameMetrics(nameFont);
    const QFontMetrics captionMetrics(captionFont);
    const int height = nameMetrics.height() + 3 + captionMetrics.height();
    const int top = area.top() + (area.height() - height) / 2;
    painter.setFont(nameFont);
    painter.setPen(primaryText(option));
    painter.drawText(QRect(area.left(), top, area.width(), nameMetrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     nameMetrics.elidedText(name, Qt::ElideRight, area.width()));
    painter.setFont(captionFont);
    painter.setPen(secondaryText(option));
    painter.drawText(
        QRect(area.left(), top + nameMetrics.height() + 3, area.width(), captionMetrics.height()),
        Qt::AlignLeft | Qt::AlignVCenter, captionMetrics.elidedText(caption, Qt::ElideRight, area.width()));
}

} // namespace

void AppRow::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    painter->save();
    switch (kindOf(index)) {
    case RowKind::application:
        paintApplication(*painter, option, index);
        break;
    case RowKind::sectionHeader:
        paintHeader(*painter, option, index);
        break;
    case RowKind::leftovers:
        paintLeftovers(*painter, option, index);
        break;
    }
    if (option.state.testFlag(QStyle::State_HasFocus) && !isSelected(option)) {
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(Theme::withOpacity(Theme::blue(), 0.5), 1.5));
        painter->drawRoundedRect(QRectF(option.rect).adjusted(4.5, 1.5, -4.5, -1.5), 6, 6);
    }
    painter->restore();
}

QSize AppRow::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const int width = option.rect.width() > 0 ? option.rect.width() : 280;
    switch (kindOf(index)) {
    case RowKind::sectionHeader:
        return {width, 30};
    case RowKind::leftovers:
        return {width, 46};
    case RowKind::application:
        break;
    }
    return {width, iconSide + 12};
}

void AppRow::paintApplication(QPainter& painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    paintBackground(painter, option);
    const QRect row = option.rect.adjusted(horizontalPadding + 4, 0, -horizontalPadding - 4, 0);
    const QRect iconArea(row.left(), row.top() + (row.height() - iconSide) / 2, iconSide, iconSide);
    const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
    icon.paint(&painter, iconArea);

    // The trailing element: a lock, a spinner, or the size.
    int trailingWidth = 0;
    const QColor secondary = secondaryText(option);
    if (index.data(AppListModel::isSystemRole).toBool()) {
        const int side = 12;
        trailingWidth = side;
        painter.drawPixmap(
            QPoint(row.right() - side + 1, row.center().y() - side / 2),
            Symbols::pixmap("lock.fill", side, Theme::orange(), painter.device()->devicePixelRatioF()));
    } else if (index.data(AppListModel::isMeasuringRole).toBool()) {
        const qreal side = 14;
        trailingWidth = int(side);
        paintSpinner(painter, QRectF(row.right() - side + 1, row.center().y() - side / 2, side, side),
                     secondary, spinnerPhase());
    } else {
        const QString size = index.data(AppListModel::sizeTextRole).toString();
        const QFont font = Theme::font(Theme::TextStyle::subheadline);
        trailingWidth = QFontMetrics(font).horizontalAdvance(size);
        painter.setFont(font);
        painter.setPen(secondary);
        painter.drawText(QRect(row.right() - trailingWidth + 1, row.top(), trailingWidth, row.height()),
                         Qt::AlignRight | Qt::AlignVCenter, size);
    }

    const int textLeft = iconArea.right() + 10;
    const QRect text(textLeft, row.top(), row.right() - trailingWidth - 8 - textLeft, row.height());
    paintTwoLines(painter, text, index.data(Qt::DisplayRole).toString(),
                  index.data(AppListModel::detailRole).toString(), option);
}

void AppRow::paintHeader(QPainter& painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    const QFont font = Theme::font(Theme::TextStyle::caption, QFont::DemiBold);
    painter.setFont(font);
    painter.setPen(Theme::secondary(option.widget));
    painter.drawText(option.rect.adjusted(horizontalPadding + 4, 8, -horizontalPadding, 0),
                     Qt::AlignLeft | Qt::AlignVCenter, index.data(Qt::DisplayRole).toString());
}

void AppRow::paintLeftovers(QPainter& painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    paintBackground(painter, option);
    const QRect row = option.rect.adjusted(horizontalPadding + 4, 0, -horizontalPadding - 4, 0);
    // A 28-point frame with 5 points of padding around the symbol.
    const int frame = 28;
    const QRect frameArea(row.left(), row.top() + (row.height() - frame) / 2, frame, frame);
    const bool onAccent = isSelected(option) && option.state.testFlag(QStyle::State_Active);
    painter.drawPixmap(frameArea.adjusted(5, 5, -5, -5).topLeft(),
                       Symbols::pixmap("trash.slash.fill", frame - 10,
                                       onAccent ? QColor(Qt::white) : Theme::blue(),
                                       painter.device()->devicePixelRatioF()));
    const int textLeft = frameArea.right() + 10;
    paintTwoLines(painter, QRect(textLeft, row.top(), row.right() - textLeft, row.height()),
                  index.data(Qt::DisplayRole).toString(), index.data(AppListModel::detailRole).toString(),
                  option);
}

void AppRow::paintSpinner(QPainter& painter, const QRectF& area, const QColor& color, qreal phase) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre = area.center();
    const qreal outer = area.width() / 2;
    constexpr int spokes = 8;
    const int lead = static_cast<int>(std::floor(phase * spokes)) % spokes;
    for (int spoke = 0; spoke < spokes; ++spoke) {
        const int age = (lead - spoke + spokes) % spokes;
        QColor shade = color;
        shade.setAlphaF(static_cast<float>(color.alphaF() * (1.0 - 0.8 * age / spokes)));
        painter.setPen(QPen(shade, qMax(1.5, outer / 4), Qt::SolidLine, Qt::RoundCap));
        const qreal angle = 2 * M_PI * spoke / spokes - M_PI / 2;
        painter.drawLine(centre + QPointF(std::cos(angle), std::sin(angle)) * outer * 0.45,
                         centre + QPointF(std::cos(angle), std::sin(angle)) * outer * 0.9);
    }
    painter.restore();
}

qreal AppRow::spinnerPhase() {
    static QElapsedTimer clock;
    if (!clock.isValid()) {
        clock.start();
    }
    return static_cast<qreal>(clock.elapsed() % 800) / 800.0;
}

} // namespace tarnwick
