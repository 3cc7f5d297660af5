#pragma once

#include "ui/FindingsLayout.h"

#include <QStyledItemDelegate>

class QTreeView;

namespace tarnwick {

// Draws every row of the findings list from its roles, through the row's layout, and turns clicks on the
// parts of a row, and Space on the current row, into `activated`: no widget per row, so ten thousand findings
// cost ten thousand small records, not ten thousand widgets.
class FindingsDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit FindingsDelegate(QTreeView& view);

    // The layout of the row `index` in `rect`, as the view shows it.
    FindingsLayout layout(const QModelIndex& index, const QRect& rect) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

signals:
    void activated(const QModelIndex& index, tarnwick::FindingsLayout::Part part);

private:
    QTreeView& view_;
};

} // namespace tarnwick
