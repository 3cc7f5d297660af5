#pragma once

#include <QSortFilterProxyModel>

namespace tarnwick {

class AppListModel;
class CleanerStore;

// The applications the sidebar lists under the store's mode and search, in the store's order.
class AppFilterProxy : public QSortFilterProxyModel {
    Q_OBJECT

public:
    AppFilterProxy(CleanerStore& store, AppListModel& source, QObject* parent = nullptr);

    // True while a new search or mode takes rows away. Views then move their selection to a neighbour
    // by themselves, which is no choice of the user.
    bool isRefiltering() const { return refiltering_; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    void refilter();

    CleanerStore& store_;
    AppListModel& source_;
    bool refiltering_ = false;
};

} // namespace tarnwick
