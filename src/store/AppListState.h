#pragma once

#include "catalogue/InstalledApp.h"
#include "store/AppListFilter.h"
#include "store/ListChange.h"

#include <QObject>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick {

// The installed applications in name order, the sidebar's search and mode, and whether a load is running.
// Every change of the list is published as the rows it touched.
class AppListState : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    const std::vector<InstalledApp>& apps() const { return apps_; }
    const std::string& search() const { return search_; }
    AppListFilter filter() const { return filter_; }
    bool isLoading() const { return isLoading_; }

    // Whether the sidebar lists `app`: only in the Apps mode, never a system application, and only when the
    // search finds it.
    bool isListed(const InstalledApp& app) const;
    std::vector<InstalledApp> listed() const;
    // Applications that are not part of macOS, whatever the mode and search.
    int installedCount() const;
    // The first application in the list that is not part of macOS.
    std::optional<InstalledApp> firstInstalled() const;
    // The row of the application with the identity `id`; -1 when none has it.
    int rowOf(const std::string& id) const;

    void setSearch(std::string text);
    void setFilter(AppListFilter filter);
    void setLoading(bool loading);
    void clear();
    // Puts `app` at its place in name order.
    void insert(InstalledApp app);
    void remove(const std::string& id);
    // Gives the application with the identity `id` its size; nothing when it is not listed any more.
    void setSize(const std::string& id, std::int64_t size);

signals:
    void appsChanged(tarnwick::ListChange change);
    void searchChanged();
    void filterChanged();
    void loadingChanged();

private:
    std::vector<InstalledApp> apps_;
    std::string search_;
    AppListFilter filter_ = AppListFilter::apps;
    bool isLoading_ = false;
};

} // namespace tarnwick
