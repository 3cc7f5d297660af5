#include "ui/HistoryRowDelegate.h"

#include "ui/HistoryModel.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>

namespace tarnwick {

namespace {

constexpr int margin = 16;
constexpr int symbolSide = 22;
constexpr QSize buttonSize(92, 26);

QString buttonText(const QModelIndex& index) {
    return index.data(HistoryModel::restoringRole).toBool() ? HistoryRowDelegate::tr("Restoring\u2026")
                                                            : index.data(HistoryModel::actionRole).toString();
}

} // namespace

QRect HistoryRowDelegate::buttonRect(const QRect& row) {
    return {row.right() - margin - buttonSize.width() + 1, row.center().y() - buttonSize.height() / 2,
            buttonSize.width(), buttonSize.height()};
}

QSize HistoryRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return {option.rect.width(), rowHeight};
}

void HistoryRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    painter->save();
    const QWidget* widget = option.widget;
    const QRect row = option.rect;
    const qreal ratio = painter->device()->devicePixelRatioF();

    const QPixmap symbol = Symbols::pixmap("trash.slash", symbolSide, Theme::blue(), ratio);
    painter->drawPixmap(QRect(row.left() + margin, row.center().y() - symbolSide / 2, symbolSide, symbolSide),
                        symbol);

    const int textLeft = row.left() + margin + symbolSide + 14;
    const QRect button = buttonRect(row);
    const int textWidth = button.left() - 12 - textLeft;
    const QString availability = index.data(HistoryModel::availabilityRole).toString();
    const QFont nameFont = Theme::font(Theme::TextStyle::body, QFont::DemiBold);
    const QFont captionFont = Theme::font(Theme::TextStyle::caption);
    const int lines = availability.isEmpty() ? 2 : 3;
    const int lineHeight = QFontMetrics(captionFont).height();
    const int nameHeight = QFontMetrics(nameFont).height();
    int top = row.center().y() - (nameHeight + (lines - 1) * lineHeight) / 2;

    const auto drawLine = [&](const QString& text, const QFont& font, const QColor& color, int height) {
        painter->setFont(font);
        painter->setPen(color);
        const QString shown = QFontMetrics(font).elidedText(text, Qt::ElideRight, textWidth);
        painter->drawText(QRect(textLeft, top, textWidth, height), Qt::AlignLeft | Qt::AlignVCenter, shown);
        top += height;
    };
    drawLine(index.data(Qt::DisplayRole).toString(), nameFont, Theme::primary(widget), nameHeight);
    drawLine(index.data(HistoryModel::summaryRole).toString(), captionFont, Theme::secondary(widget),
             lineHeight);
    if (!availability.isEmpty()) {
        // Emptied from the Trash is a warning; put back already is only a fact.
        drawLine(availability, captionFont,
                 index.data(HistoryModel::emptiedRole).toBool() ? Theme::red() : Theme::secondary(widget),
                 lineHeight);
    }

    QStyleOptionButton pushButton;
    pushButton.rect = button;
    pushButton.text = buttonText(index);
    pushButton.state = QStyle::State_Raised;
    if (index.data(HistoryModel::actionEnabledRole).toBool()) {
        pushButton.state |= QStyle::State_Enabled;
    }
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_PushButton, &pushButton, painter, widget);
    if (option.state.testFlag(QStyle::State_HasFocus) && widget != nullptr && widget->hasFocus()) {
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(Theme::withOpacity(Theme::blue(), 0.6), 1.5));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(QRectF(row).adjusted(4, 2, -4, -2), 8, 8);
    }
    painter->restore();
}

bool HistoryRowDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                                     const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            buttonRect(option.rect).contains(mouse->position().toPoint()) &&
            index.data(HistoryModel::actionEnabledRole).toBool()) {
            emit buttonPressed(index);
            return true;
        }
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

} // namespace tarnwick
