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
    // Connected before any view, so that a view told of a change reads sums made after it.
    connect(
        this, &QAbstractItemModel::dataChanged, this,
        [this](const QModelIndex&, const QModelIndex&, const QList<int>& roles) { forgetSummaries(roles); });
    for (const auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved}) {
        connect(this, signal, this, [this] { forgetSummaries(); });
    }
    connect(this, &QAbstractItemModel::rowsMoved, this, [this] { forgetSummaries(); });
    connect(this, &QAbstractItemModel::modelReset, this, [this] { forgetSummaries(); });
    connect(this, &QAbstractItemModel::layoutChanged, this, [this] { forgetSummaries(); });
}

void FindingsFilter::forgetSummaries(const QList<int>& roles) {
    if (roles.isEmpty() || roles.contains(Qt::CheckStateRole) || roles.contains(FindingsModel::bytesRole)) {
        summaries_.clear();
    }
}

void FindingsFilter::refilter() {
    invalidateRowsFilter();
    summaries_.clear();
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

bool FindingsFilter::hasChildren(const QModelIndex& parent) const {
    // A finding shown shows its details: knowing it needs no filtering of its row, which the tree would
    // otherwise do for every finding it lays out.
    if (parent.isValid() && FindingsModel::kindOf(parent) == Kind::finding) {
        return true;
    }
    return QSortFilterProxyModel::hasChildren(parent);
}

const FindingsFilter::Summary& FindingsFilter::summaryOf(const QModelIndex& section) const {
    const void* key = mapToSource(section).internalPointer();
    auto found = summaries_.find(key);
    if (found != summaries_.end()) {
        return *found;
    }
    Summary summary;
    summary.count = rowCount(section);
    for (int row = 0; row < summary.count; ++row) {
        if (const ResidualItem* item = source_.item(mapToSource(index(row, 0, section)))) {
            summary.chosen += item->selected ? 1 : 0;
            summary.bytes = addedSize(summary.bytes, item->size);
        }
    }
    return *summaries_.insert(key, summary);
}

QVariant FindingsFilter::data(const QModelIndex& index, int role) const {
    if ((role != Qt::CheckStateRole && role != FindingsModel::summaryRole) ||
        FindingsModel::kindOf(index) != Kind::category) {
        return QSortFilterProxyModel::data(index, role);
    }
    const Summary& summary = summaryOf(index);
    if (role == FindingsModel::summaryRole) {
        return FindingsModel::summaryText(summary.count, summary.bytes);
    }
    return summary.chosen == 0               ? Qt::Unchecked
           : summary.chosen == summary.count ? Qt::Checked
                                             : Qt::PartiallyChecked;
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
