#include "ui/AppFilterProxy.h"

#include "store/AppListState.h"
#include "ui/AppListModel.h"

namespace tarnwick {

AppFilterProxy::AppFilterProxy(const AppListState& state, AppListModel& source, QObject* parent)
    : QSortFilterProxyModel(parent)
    , state_(state)
    , source_(source) {
    setSourceModel(&source);
    // The store decides what is listed; a size arriving does not change that, so rows are not re-filtered
    // on every data change.
    setDynamicSortFilter(false);
    connect(&state_, &AppListState::searchChanged, this, &AppFilterProxy::refilter);
    connect(&state_, &AppListState::filterChanged, this, &AppFilterProxy::refilter);
}

void AppFilterProxy::refilter() {
    refiltering_ = true;
    invalidateRowsFilter();
    refiltering_ = false;
}

bool AppFilterProxy::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
    const InstalledApp* app = source_.app(sourceRow);
    return app != nullptr && state_.isListed(*app);
}

} // namespace tarnwick
