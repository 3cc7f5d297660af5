#include "ui/AppFilterProxy.h"

#include "store/CleanerStore.h"
#include "ui/AppListModel.h"

namespace tarnwick {

AppFilterProxy::AppFilterProxy(CleanerStore& store, AppListModel& source, QObject* parent)
    : QSortFilterProxyModel(parent)
    , store_(store)
    , source_(source) {
    setSourceModel(&source);
    // The store decides what is listed; a size arriving does not change that, so rows are not re-filtered
    // on every data change.
    setDynamicSortFilter(false);
    connect(&store_, &CleanerStore::appSearchChanged, this, &AppFilterProxy::refilter);
    connect(&store_, &CleanerStore::appListFilterChanged, this, &AppFilterProxy::refilter);
}

void AppFilterProxy::refilter() {
    refiltering_ = true;
    invalidateRowsFilter();
    refiltering_ = false;
}

bool AppFilterProxy::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
    const InstalledApp* app = source_.app(sourceRow);
    return app != nullptr && store_.isListed(*app);
}

} // namespace tarnwick
