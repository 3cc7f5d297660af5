#pragma once

#include <QSortFilterProxyModel>

namespace tarnwick {

class AppListModel;
class AppListState;

// The applications the sidebar lists under the store's mode and search, in the store's order.
class AppFilterProxy : public QSortFilterProxyModel {
    Q_OBJECT

public:
    AppFilterProxy(const AppListState& state, AppListModel& source, QObject* parent = nullptr);

    // True while a new search or mode takes rows away. Views then move their selection to a neighbour
    // by themselves, which is no choice of the user.
    bool isRefiltering() const { return refiltering_; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    void refilter();

    const AppListState& state_;
    AppListModel& source_;
    bool refiltering_ = false;
};

} // namespace tarnwick
