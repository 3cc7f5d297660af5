#include "ui/FindingsFilter.h"

#include "store/CleanerStore.h"
#include "ui/FindingsModel.h"

namespace tarnwick {

using Kind = FindingsModel::RowKind;

FindingsFilter::FindingsFilter(CleanerStore& store, FindingsModel& source, QObject* parent)
    : QSortFilterProxyModel(parent)
    , store_(store)
    , source_(source) {
    // A section shows when one of its findings does; a finding shown shows its details too.
    setRecursiveFilteringEnabled(true);
    setAutoAcceptChildRows(true);
    // What the search shows depends on the search alone: a changed choice is no reason to filter again.
    setDynamicSortFilter(false);
    setSourceModel(&source_);
    connect(&source_.findings(), &FindingsState::fileSearchChanged, this, &FindingsFilter::refilter);
}

void FindingsFilter::refilter() {
    invalidateRowsFilter();
    // The sections' counts and checkboxes now speak for other findings.
    if (rowCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, 0),
                         {Qt::CheckStateRole, FindingsModel::summaryRole});
    }
}

bool FindingsFilter::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    const QModelIndex row = source_.index(sourceRow, 0, sourceParent);
    switch (FindingsModel::kindOf(row)) {
    case Kind::finding:
        return source_.findings().isShown(*source_.item(row));
    case Kind::information:
        return true;
    case Kind::category:
    case Kind::details:
    case Kind::metadata:
        break;
    }
    return false; // shown with what holds them, or with what they hold
}

std::set<std::string> FindingsFilter::shownIDs(const QModelIndex& section) const {
    std::set<std::string> ids;
    for (int row = 0; row < rowCount(section); ++row) {
        ids.insert(index(row, 0, section).data(FindingsModel::itemIdRole).toString().toStdString());
    }
    return ids;
}

QVariant FindingsFilter::data(const QModelIndex& index, int role) const {
    if ((role != Qt::CheckStateRole && role != FindingsModel::summaryRole) ||
        FindingsModel::kindOf(index) != Kind::category) {
        return QSortFilterProxyModel::data(index, role);
    }
    const int count = rowCount(index);
    int chosen = 0;
    std::int64_t bytes = 0;
    for (int row = 0; row < count; ++row) {
        const QModelIndex finding = this->index(row, 0, index);
        chosen += finding.data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked ? 1 : 0;
        bytes = addedSize(bytes, finding.data(FindingsModel::bytesRole).toLongLong());
    }
    if (role == FindingsModel::summaryRole) {
        return FindingsModel::summaryText(count, bytes);
    }
    return chosen == 0 ? Qt::Unchecked : chosen == count ? Qt::Checked : Qt::PartiallyChecked;
}

bool FindingsFilter::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || FindingsModel::kindOf(index) != Kind::category) {
        return QSortFilterProxyModel::setData(index, value, role);
    }
    store_.setChoice(source_.findings(), value.value<Qt::CheckState>() == Qt::Checked, shownIDs(index));
    return true;
}

void FindingsFilter::toggleChoice(const QModelIndex& index) {
    switch (FindingsModel::kindOf(index)) {
    case Kind::finding:
        store_.toggle(source_.findings(), index.data(FindingsModel::itemIdRole).toString().toStdString());
        break;
    case Kind::category:
        store_.toggleSection(source_.findings(), shownIDs(index));
        break;
    case Kind::details:
    case Kind::information:
    case Kind::metadata:
        break;
    }
}

} // namespace tarnwick
