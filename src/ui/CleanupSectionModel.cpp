#include "ui/CleanupSectionModel.h"

#include "store/CleanerStore.h"
#include "ui/AppListModel.h"

namespace tarnwick {

int CleanupSectionModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant CleanupSectionModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 || index.row() > leftoversRow) {
        return {};
    }
    if (index.row() == headerRow) {
        switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            return tr("System Cleanup");
        case AppListModel::rowKindRole:
            return static_cast<int>(AppListModel::RowKind::sectionHeader);
        default:
            return {};
        }
    }
    const InstalledApp& leftovers = CleanerStore::leftoversApp();
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(leftovers.name);
    case AppListModel::detailRole:
        return tr("Orphaned files");
    case Qt::AccessibleTextRole:
        return QString::fromStdString(leftovers.name) + QStringLiteral(", ") + tr("Orphaned files");
    case AppListModel::appIdRole:
        return QString::fromStdString(leftovers.id());
    case AppListModel::rowKindRole:
        return static_cast<int>(AppListModel::RowKind::leftovers);
    default:
        return {};
    }
}

Qt::ItemFlags CleanupSectionModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    // The header is a title, not a choice.
    return index.row() == headerRow ? Qt::ItemIsEnabled
                                    : Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

} // namespace tarnwick
