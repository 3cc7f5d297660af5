#pragma once

#include <QStyledItemDelegate>

namespace tarnwick {

// Paints one removal of the history: the symbol, the application's name, the summary line, the warning
// when nothing can be restored, and the row's button ("Restore" or "Remove"), which it also presses.
class HistoryRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int rowHeight = 64;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Where the row's button is drawn within `row`.
    static QRect buttonRect(const QRect& row);

signals:
    // The button of the row at `index` was pressed.
    void buttonPressed(const QModelIndex& index);

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
};

} // namespace tarnwick
