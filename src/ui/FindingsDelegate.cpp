#include "ui/FindingsDelegate.h"

#include "ui/Theme.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QTreeView>

namespace tarnwick {

FindingsDelegate::FindingsDelegate(QTreeView& view)
    : QStyledItemDelegate(&view)
    , view_(view) {}

FindingsLayout FindingsDelegate::layout(const QModelIndex& index, const QRect& rect) const {
    return FindingsLayout(index, rect, view_.isExpanded(index));
}

void FindingsDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    layout(index, option.rect).paint(*painter, &view_);
    if (option.state.testFlag(QStyle::State_HasFocus) && view_.hasFocus()) {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(Theme::withOpacity(Theme::blue(), 0.6), 1.5));
        painter->drawRoundedRect(QRectF(option.rect).adjusted(2, 2, -2, -2), 6, 6);
        painter->restore();
    }
}

QSize FindingsDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const {
    // Rows are as wide as the list. Whether a row is expanded changes how it is drawn, not how tall it is,
    // and the tree asks every row's height at each layout: it is not asked here.
    const int width = view_.viewport()->width();
    return {width, FindingsLayout(index, QRect(0, 0, width, 0), false).height()};
}

bool FindingsDelegate::editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Space && key != Qt::Key_Select) {
            return false;
        }
        emit activated(index, FindingsLayout::Part::checkbox);
        return true;
    }
    if (event->type() == QEvent::MouseButtonDblClick) {
        return true; // presses are the view's (current row); only the release acts, as a button does
    }
    if (event->type() != QEvent::MouseButtonRelease) {
        return false;
    }
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton) {
        return false;
    }
    const FindingsLayout::Part part = layout(index, option.rect).partAt(mouse->position().toPoint());
    if (part == FindingsLayout::Part::none) {
        return false;
    }
    // The model may change under the index: act on a copy taken now.
    emit activated(QPersistentModelIndex(index), part);
    return true;
}

bool FindingsDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                 const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event->type() != QEvent::ToolTip) {
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    }
    const FindingsLayout row = layout(index, option.rect);
    const QString text = row.toolTip(row.partAt(event->pos()));
    if (text.isEmpty()) {
        QToolTip::hideText();
    } else {
        QToolTip::showText(event->globalPos(), text, view, option.rect);
    }
    return true;
}

} // namespace tarnwick
