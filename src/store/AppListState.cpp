#include "store/AppListState.h"

#include "session/AppCatalogue.h"

#include <algorithm>
#include <iterator>

namespace tarnwick {

bool AppListState::isListed(const InstalledApp& app) const {
    return filter_ == AppListFilter::apps && !app.isSystem && AppCatalogue::matchesSearch(app, search_);
}

std::vector<InstalledApp> AppListState::listed() const {
    std::vector<InstalledApp> shown;
    std::copy_if(apps_.begin(), apps_.end(), std::back_inserter(shown),
                 [this](const InstalledApp& app) { return isListed(app); });
    return shown;
}

int AppListState::installedCount() const {
    return static_cast<int>(
        std::count_if(apps_.begin(), apps_.end(), [](const InstalledApp& app) { return !app.isSystem; }));
}

std::optional<InstalledApp> AppListState::firstInstalled() const {
    const auto first =
        std::find_if(apps_.begin(), apps_.end(), [](const InstalledApp& app) { return !app.isSystem; });
    return first == apps_.end() ? std::nullopt : std::optional(*first);
}

int AppListState::rowOf(const std::string& id) const {
    const auto found =
        std::find_if(apps_.begin(), apps_.end(), [&](const InstalledApp& app) { return app.id() == id; });
    return found == apps_.end() ? -1 : static_cast<int>(found - apps_.begin());
}

void AppListState::setSearch(std::string text) {
    search_ = std::move(text);
    emit searchChanged();
}

void AppListState::setFilter(AppListFilter filter) {
    filter_ = filter;
    emit filterChanged();
}

void AppListState::setLoading(bool loading) {
    isLoading_ = loading;
    emit loadingChanged();
}

void AppListState::clear() {
    apps_.clear();
    emit appsChanged(ListChange::all());
}

void AppListState::insert(InstalledApp app) {
    const auto row = static_cast<int>(AppCatalogue::placeInNameOrder(apps_, app));
    apps_.insert(apps_.begin() + row, std::move(app));
    emit appsChanged(ListChange::insertedRows(row, row));
}

void AppListState::remove(const std::string& id) {
    const int row = rowOf(id);
    if (row < 0) {
        return;
    }
    apps_.erase(apps_.begin() + row);
    emit appsChanged(ListChange::removedRows(row, row));
}

void AppListState::setSize(const std::string& id, std::int64_t size) {
    const int row = rowOf(id);
    if (row < 0) {
        return;
    }
    apps_[static_cast<std::size_t>(row)].size = size;
    emit appsChanged(ListChange::changedRows(row, row, ListChange::Field::size));
}

} // namespace tarnwick
