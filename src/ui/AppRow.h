#pragma once

#include <QStyledItemDelegate>

namespace tarnwick {

// Paints the sidebar's rows: an application (icon, name, version or "System app", and its size, a lock
// or a spinner), the "System Cleanup" header, and the Leftovers row.
class AppRow : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // A small indeterminate progress indicator; `phase` (0..1) turns it.
    static void paintSpinner(QPainter& painter, const QRectF& area, const QColor& color, qreal phase);
    // The spinner's phase now: spinners everywhere turn together.
    static qreal spinnerPhase();

private:
    void paintApplication(QPainter& painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const;
    void paintHeader(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;
    void paintLeftovers(QPainter& painter, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const;
};

} // namespace tarnwick
