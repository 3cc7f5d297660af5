#pragma once

#include <QAbstractListModel>

namespace tarnwick {

// The sidebar's "System Cleanup" section: its header and the one row of the Leftovers mode.
class CleanupSectionModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Row { headerRow = 0, leftoversRow = 1 };

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
};

} // namespace tarnwick
