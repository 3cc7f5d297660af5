#pragma once

#include "residuals/MatchConfidence.h"

#include <QColor>
#include <QRect>
#include <QStyledItemDelegate>

class QListView;

namespace tarnwick {

class ResidualListModel;
class Workspace;

// Paints every row of the residual list (section headers, findings with their expansion, information
// rows) and turns clicks on their buttons into the model's actions: no widget per row, so ten thousand
// findings cost ten thousand small records, not ten thousand widgets.
class ResidualListDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    // The parts of a row that answer a click.
    enum class Part { none, sectionSelection, sectionCollapse, checkbox, expand, reveal, informationToggle };

    ResidualListDelegate(ResidualListModel& model, Workspace& workspace, QListView& view);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // Which part of the row drawn in `rect` lies under `point`.
    Part partAt(const QModelIndex& index, const QRect& rect, const QPoint& point) const;
    // What the part says when the pointer rests on it.
    QString toolTip(const QModelIndex& index, Part part) const;
    // Carries out what clicking `part` of the row does.
    void activate(const QModelIndex& index, Part part);

    // The colour of a confidence's badge and details block.
    static QColor confidenceColor(MatchConfidence confidence);

    // The texts the expansion of a finding shows, line by line, in order: the folder's children (or the
    // empty text, or nothing while it is read), then the details block.
    QStringList expansionLines(int row) const;

private:
    int expansionHeight(int row) const;
    void paintCategoryHeader(QPainter& painter, const QRect& rect, const QModelIndex& index) const;
    void paintResidual(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;
    void paintExpansion(QPainter& painter, const QRect& rect, int row) const;
    void paintInformationHeader(QPainter& painter, const QRect& rect, const QModelIndex& index) const;
    void paintMetadata(QPainter& painter, const QRect& rect, const QModelIndex& index) const;
    void paintHeaderFrame(QPainter& painter, const QRect& rect) const;
    // The fold chevron and the section's symbol from `x`; returns where the title starts.
    int paintHeaderLead(QPainter& painter, const QRect& frame, int x, const QModelIndex& index) const;

    ResidualListModel& model_;
    Workspace& workspace_;
    QListView& view_;
};

} // namespace tarnwick
