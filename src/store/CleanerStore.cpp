#include "store/CleanerStore.h"

#include "catalogue/AppRecord.h"
#include "platform/Location.h"
#include "platform/Text.h"
#include "removal/TrashError.h"
#include "removal/TrashManager.h"
#include "residuals/ResidualCategory.h"
#include "session/RemovalTexts.h"
#include "store/StoreServices.h"

#include <QMetaObject>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

// Progress is handed to the main thread at most this often; the window cannot show it faster.
constexpr auto progressInterval = std::chrono::milliseconds(100);

// How long the main thread applies results before it lets the event loop repaint and take input.
constexpr auto postedBatchTime = std::chrono::milliseconds(8);

bool localizedBefore(const InstalledApp& left, const InstalledApp& right) {
    return Text::localizedStandardCompare(left.name, right.name) < 0;
}

ListChange changedRange(int first, int last) {
    return first <= last ? ListChange::changedRows(first, last) : ListChange::all();
}

} // namespace

// The leftover searches for one state of the application list. Building them reads every signature, so
// it happens on the first scan's thread, and the scans that follow share it.
struct CleanerStore::CatalogueSearch {
    explicit CatalogueSearch(std::vector<InstalledApp> installed)
        : installed(std::move(installed)) {}

    std::shared_ptr<const LeftoverSearch> get(StoreServices& services) {
        const std::lock_guard lock(mutex);
        if (!search) {
            search = services.searchAgainst(installed);
        }
        return search;
    }

    const std::vector<InstalledApp> installed;
    std::mutex mutex;
    std::shared_ptr<const LeftoverSearch> search;
};

// What a removal's task hands back to the main thread.
struct CleanerStore::RemovalResult {
    std::vector<ResidualItem> items;
    std::optional<std::string> error;
    // After a failure: the chosen items that are no longer where they were, because they did move.
    std::set<std::string> moved;
    std::vector<RemovalRecord> history;
};

CleanerStore::CleanerStore(std::unique_ptr<StoreServices> services, std::unique_ptr<TaskRunner> runner,
                           QObject* parent)
    : QObject(parent)
    , services_(std::move(services))
    , runner_(std::move(runner)) {}

CleanerStore::~CleanerStore() {
    loadStop_.request_stop();
    scanStop_.request_stop();
    runner_->waitForDone();
}

const InstalledApp& CleanerStore::leftoversApp() {
    static const InstalledApp app{.url = "/Leftovers",
                                  .name = "Leftovers",
                                  .bundleID = "Leftovers",
                                  .version = std::string(InstalledApp::unknownVersion),
                                  .size = 0,
                                  .isSystem = false};
    return app;
}

TrashManager& CleanerStore::trash() {
    return services_->trash();
}

void CleanerStore::post(std::function<void()> work) {
    const std::lock_guard lock(postedMutex_);
    posted_.push_back(std::move(work));
    if (!applyScheduled_) {
        applyScheduled_ = true;
        QMetaObject::invokeMethod(this, &CleanerStore::applyPosted, Qt::QueuedConnection);
    }
}

void CleanerStore::applyPosted() {
    const auto start = std::chrono::steady_clock::now();
    while (true) {
        std::function<void()> work;
        {
            const std::lock_guard lock(postedMutex_);
            if (posted_.empty()) {
                applyScheduled_ = false;
                return;
            }
            if (std::chrono::steady_clock::now() - start > postedBatchTime) {
                // The rest after the window has had its turn.
                QMetaObject::invokeMethod(this, &CleanerStore::applyPosted, Qt::QueuedConnection);
                return;
            }
            work = std::move(posted_.front());
            posted_.pop_front();
        }
        work();
    }
}

// --- Applications ---------------------------------------------------------------------------------------

void CleanerStore::setAppSearch(std::string text) {
    appSearch_ = std::move(text);
    emit appSearchChanged();
}

void CleanerStore::setAppListFilter(AppListFilter filter) {
    appListFilter_ = filter;
    emit appListFilterChanged();
}

bool CleanerStore::isListed(const InstalledApp& app) const {
    if (appListFilter_ != AppListFilter::apps || app.isSystem) {
        return false;
    }
    return appSearch_.empty() || Text::localizedCaseInsensitiveContains(app.name, appSearch_) ||
           Text::localizedCaseInsensitiveContains(app.bundleID, appSearch_);
}

std::vector<InstalledApp> CleanerStore::filteredApps() const {
    std::vector<InstalledApp> listed;
    std::copy_if(apps_.begin(), apps_.end(), std::back_inserter(listed),
                 [this](const InstalledApp& app) { return isListed(app); });
    return listed;
}

int CleanerStore::installedCount() const {
    return static_cast<int>(
        std::count_if(apps_.begin(), apps_.end(), [](const InstalledApp& app) { return !app.isSystem; }));
}

void CleanerStore::loadApps() {
    // A newer load supersedes the older one: its stream and its size tasks stop, its records are dropped.
    loadStop_.request_stop();
    loadStop_ = std::stop_source();
    const std::uint64_t load = ++load_;
    const std::stop_token stop = loadStop_.get_token();

    setIsLoadingApps(true);
    appsInNameOrder_ = true;
    setApps({}, ListChange::all());
    catalogueChanged();

    runner_->start(TaskRunner::Priority::userInitiated, [this, load, stop] {
        const ScanControl control{.stop = stop};
        services_->findApps(
            [this, load](InstalledApp app) {
                post([this, load, app = std::move(app)]() mutable { receiveApp(load, std::move(app)); });
            },
            control);
        post([this, load] { finishLoad(load); });
    });
}

void CleanerStore::receiveApp(std::uint64_t load, InstalledApp app) {
    if (load != load_) {
        return;
    }
    startSizeTask(app, loadStop_.get_token());
    if (!appsInNameOrder_) {
        // A drop left the list in plain order: the next record puts it back in the name order.
        apps_.push_back(std::move(app));
        std::stable_sort(apps_.begin(), apps_.end(), localizedBefore);
        appsInNameOrder_ = true;
        setApps(std::move(apps_), ListChange::all());
    } else {
        // The list is sorted, so a stable sort would put the record after every name not greater.
        const auto place = std::upper_bound(apps_.begin(), apps_.end(), app, localizedBefore);
        const int row = static_cast<int>(place - apps_.begin());
        apps_.insert(place, std::move(app));
        setApps(std::move(apps_), ListChange::insertedAt(row));
    }
    catalogueChanged();
}

void CleanerStore::finishLoad(std::uint64_t load) {
    if (load == load_) {
        setIsLoadingApps(false);
    }
}

void CleanerStore::startSizeTask(const InstalledApp& app, std::stop_token stop) {
    runner_->start(TaskRunner::Priority::utility, [this, id = app.id(), url = app.url, stop] {
        if (stop.stop_requested()) {
            return;
        }
        const std::int64_t size = services_->measure(url, stop);
        if (stop.stop_requested()) {
            return; // cut short: not the real size
        }
        post([this, id, size] { applySize(id, size); });
    });
}

void CleanerStore::applySize(const std::string& id, std::int64_t size) {
    const auto app =
        std::find_if(apps_.begin(), apps_.end(), [&](const InstalledApp& each) { return each.id() == id; });
    if (app == apps_.end()) {
        return;
    }
    app->size = size;
    const int row = static_cast<int>(app - apps_.begin());
    setApps(std::move(apps_), ListChange::changedRows(row, row));
}

// --- Selection and findings -----------------------------------------------------------------------------

void CleanerStore::setFileSearch(std::string text) {
    fileSearch_ = std::move(text);
    emit fileSearchChanged();
}

void CleanerStore::setErrorMessage(std::optional<std::string> message) {
    errorMessage_ = std::move(message);
    emit errorMessageChanged();
}

bool CleanerStore::isShown(const ResidualItem& item) const {
    return fileSearch_.empty() || Text::localizedCaseInsensitiveContains(item.url.string(), fileSearch_) ||
           Text::localizedCaseInsensitiveContains(rawValue(item.category), fileSearch_);
}

std::vector<ResidualItem> CleanerStore::filteredResiduals() const {
    std::vector<ResidualItem> shown;
    std::copy_if(residuals_.begin(), residuals_.end(), std::back_inserter(shown),
                 [this](const ResidualItem& item) { return isShown(item); });
    return shown;
}

std::vector<ResidualItem> CleanerStore::selectedItems() const {
    std::vector<ResidualItem> chosen;
    std::copy_if(residuals_.begin(), residuals_.end(), std::back_inserter(chosen),
                 [](const ResidualItem& item) { return item.selected; });
    return chosen;
}

std::int64_t CleanerStore::selectedBytes() const {
    return totalSize(selectedItems());
}

void CleanerStore::select(const InstalledApp& app) {
    setSelectedApp(app);
    setIsLeftoversMode(false);
    setResiduals({}, ListChange::all());
    setFileSearch({});
    setIsScanning(true);
    startScan(app, false);
}

void CleanerStore::selectLeftovers() {
    setSelectedApp(leftoversApp());
    setIsLeftoversMode(true);
    setResiduals({}, ListChange::all());
    setFileSearch({});
    setIsScanning(true);
    startScan(leftoversApp(), true);
}

void CleanerStore::selectDroppedApp(const fs::path& location) {
    if (!AppRecord::isApplicationName(Location::lastComponent(location))) {
        setErrorMessage(std::string(notAnApplicationMessage));
        return;
    }
    InstalledApp app = services_->handedOver(location);
    if (std::find(apps_.begin(), apps_.end(), app) == apps_.end()) {
        apps_.push_back(app);
        std::stable_sort(apps_.begin(), apps_.end(), [](const InstalledApp& left, const InstalledApp& right) {
            return left.name < right.name;
        });
        appsInNameOrder_ = false;
        setApps(std::move(apps_), ListChange::all());
        catalogueChanged();
    }
    select(app);
}

void CleanerStore::switchMode(AppListFilter filter) {
    setAppListFilter(filter);
    if (filter != AppListFilter::apps) {
        // Nothing is shown for a preview, so a scan still running would only be thrown away.
        ++scan_;
        scanStop_.request_stop();
        setSelectedApp(std::nullopt);
        setResiduals({}, ListChange::all());
        setIsLeftoversMode(false);
        setIsScanning(false);
        setScanProgress({});
        return;
    }
    if (!selectedApp_) {
        selectFirstInstalled();
    }
}

void CleanerStore::startScan(const InstalledApp& app, bool orphans) {
    // The scan of an earlier selection is stopped: its result could never be shown.
    scanStop_.request_stop();
    scanStop_ = std::stop_source();
    const std::uint64_t scan = ++scan_;
    const std::stop_token stop = scanStop_.get_token();
    setScanProgress({});

    auto lastReport = std::make_shared<std::atomic<std::int64_t>>(0);
    ScanControl control{.stop = stop, .progress = [this, scan, lastReport](const ScanProgress& progress) {
                            const auto now = std::chrono::steady_clock::now().time_since_epoch();
                            const auto nowTicks =
                                std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
                            std::int64_t last = lastReport->load();
                            if (nowTicks - last < progressInterval.count() ||
                                !lastReport->compare_exchange_strong(last, nowTicks)) {
                                return;
                            }
                            post([this, scan, progress] { applyProgress(scan, progress); });
                        }};
    runner_->start(TaskRunner::Priority::userInitiated,
                   [this, search = catalogueSearch(), app, orphans, scan, control = std::move(control)] {
                       if (control.stopRequested()) {
                           return;
                       }
                       const std::shared_ptr<const LeftoverSearch> residualSearch = search->get(*services_);
                       std::optional<std::vector<ResidualItem>> items =
                           orphans ? residualSearch->orphans(control) : residualSearch->forApp(app, control);
                       if (!items) {
                           return; // stopped by a newer selection
                       }
                       post([this, scan, id = app.id(), items = std::move(*items)]() mutable {
                           applyScan(scan, id, std::move(items));
                       });
                   });
}

void CleanerStore::applyScan(std::uint64_t scan, const std::string& appID, std::vector<ResidualItem> items) {
    if (!selectedApp_ || selectedApp_->id() != appID) {
        return; // another application is shown by now; its own scan will end the scanning
    }
    setResiduals(std::move(items), ListChange::all());
    setIsScanning(false);
    if (scan == scan_) {
        setScanProgress({});
    }
}

void CleanerStore::applyProgress(std::uint64_t scan, const ScanProgress& progress) {
    if (scan == scan_ && isScanning_) {
        setScanProgress(progress);
    }
}

void CleanerStore::toggle(const ResidualItem& item) {
    const auto found = std::find_if(residuals_.begin(), residuals_.end(),
                                    [&](const ResidualItem& each) { return each.id() == item.id(); });
    if (found == residuals_.end()) {
        return;
    }
    found->selected = !found->selected;
    const int row = static_cast<int>(found - residuals_.begin());
    setResiduals(std::move(residuals_), ListChange::changedRows(row, row));
}

void CleanerStore::setAll(bool selected) {
    for (ResidualItem& item : residuals_) {
        if (!selected || item.confidence != MatchConfidence::possible) {
            item.selected = selected;
        }
    }
    const int last = static_cast<int>(residuals_.size()) - 1;
    setResiduals(std::move(residuals_), changedRange(0, last));
}

void CleanerStore::setSelection(bool selected, const std::set<std::string>& itemIDs) {
    int first = static_cast<int>(residuals_.size());
    int last = -1;
    for (std::size_t index = 0; index < residuals_.size(); ++index) {
        if (itemIDs.contains(residuals_[index].id())) {
            residuals_[index].selected = selected;
            first = std::min(first, static_cast<int>(index));
            last = static_cast<int>(index);
        }
    }
    setResiduals(std::move(residuals_), changedRange(first, last));
}

// --- Removal, history, restore --------------------------------------------------------------------------

void CleanerStore::setRemovalCandidate(std::optional<InstalledApp> candidate) {
    removalCandidate_ = std::move(candidate);
    emit removalCandidateChanged();
}

void CleanerStore::setShowHistory(bool shown) {
    showHistory_ = shown;
    emit showHistoryChanged();
}

bool CleanerStore::hasUnavailableHistory() const {
    return std::any_of(history_.begin(), history_.end(),
                       [this](const RemovalRecord& record) { return !isRestorable(record); });
}

void CleanerStore::requestRemoval() {
    if (!selectedApp_ || isRemoving_ || isRestoring_) {
        return;
    }
    if (selectedItems().empty()) {
        setErrorMessage(TrashError::nothingSelected().what());
        return;
    }
    setRemovalCandidate(selectedApp_);
}

void CleanerStore::confirmRemoval() {
    if (!removalCandidate_ || isRemoving_ || isRestoring_) {
        return;
    }
    InstalledApp app = *removalCandidate_;
    std::vector<ResidualItem> items = selectedItems();
    setRemovalCandidate(std::nullopt);
    setIsRemoving(true);

    runner_->start(TaskRunner::Priority::userInitiated, [this, app, items = std::move(items)]() mutable {
        RemovalResult result;
        try {
            services_->trash().remove(app, items);
        } catch (const std::exception& error) {
            result.error = error.what();
            for (const ResidualItem& item : items) {
                std::error_code missing;
                if (fs::symlink_status(item.url, missing).type() == fs::file_type::not_found) {
                    result.moved.insert(item.id());
                }
            }
        }
        if (!result.error) {
            result.history = services_->trash().history();
        }
        result.items = std::move(items);
        post([this, app, result = std::move(result)]() mutable { applyRemoval(app, std::move(result)); });
    });
}

void CleanerStore::applyRemoval(const InstalledApp& app, RemovalResult result) {
    setIsRemoving(false);
    if (result.error) {
        setErrorMessage(std::move(result.error));
        // What did move must not be offered again, while the rest keep their choices.
        if (!result.moved.empty() && selectedApp_ && selectedApp_->id() == app.id()) {
            std::erase_if(residuals_,
                          [&](const ResidualItem& item) { return result.moved.contains(item.id()); });
            setResiduals(std::move(residuals_), ListChange::all());
        }
        return;
    }
    setHistory(std::move(result.history));
    const bool bundleMoved = std::any_of(result.items.begin(), result.items.end(),
                                         [&](const ResidualItem& item) { return item.url == app.url; });
    if (bundleMoved) {
        std::erase_if(apps_, [&](const InstalledApp& each) { return each.id() == app.id(); });
        setApps(std::move(apps_), ListChange::all());
        catalogueChanged();
    }
    setSelectedApp(std::nullopt);
    setResiduals({}, ListChange::all());
    selectFirstInstalled();
}

void CleanerStore::selectFirstInstalled() {
    const auto first =
        std::find_if(apps_.begin(), apps_.end(), [](const InstalledApp& app) { return !app.isSystem; });
    if (first != apps_.end()) {
        select(*first);
    }
}

void CleanerStore::openHistory() {
    HistoryService::Listing listing = trash().openHistory();
    keptAsideHistory_ = std::move(listing.keptAside);
    setHistory(std::move(listing.records));
    setShowHistory(true);
}

void CleanerStore::clearHistory() {
    const HistoryFile::Outcome cleared = trash().clearHistory();
    if (!cleared.written) {
        // Showing an empty list would claim the records are gone when they are not.
        setErrorMessage(RemovalTexts::historyNotCleared(cleared.failure));
        setHistory(trash().history());
        return;
    }
    setHistory({});
}

bool CleanerStore::isRestorable(const RemovalRecord& record) const {
    return services_->trash().isRestorable(record);
}

void CleanerStore::removeHistoryRecord(const RemovalRecord& record) {
    trash().removeRecord(record.id);
    setHistory(trash().history());
}

void CleanerStore::clearUnavailableHistory() {
    trash().clearUnavailable();
    setHistory(trash().history());
}

void CleanerStore::restore(const RemovalRecord& record) {
    if (isRestoring_ || isRemoving_) {
        return;
    }
    setIsRestoring(true, record.id);
    runner_->start(TaskRunner::Priority::standard, [this, record] {
        std::optional<std::string> error;
        try {
            services_->trash().restore(record);
        } catch (const std::exception& failure) {
            error = failure.what();
        }
        // Read again either way: a restore that failed for some items may have put others back.
        std::vector<RemovalRecord> history = services_->trash().history();
        post([this, error = std::move(error), history = std::move(history)]() mutable {
            setIsRestoring(false, std::nullopt);
            if (error) {
                setErrorMessage(std::move(error));
                setHistory(std::move(history));
                return;
            }
            loadApps();
            setHistory(std::move(history));
        });
    });
}

// --- Published fields -----------------------------------------------------------------------------------

std::shared_ptr<CleanerStore::CatalogueSearch> CleanerStore::catalogueSearch() {
    if (!catalogueSearch_) {
        catalogueSearch_ = std::make_shared<CatalogueSearch>(apps_);
    }
    return catalogueSearch_;
}

void CleanerStore::catalogueChanged() {
    catalogueSearch_.reset();
}

void CleanerStore::setApps(std::vector<InstalledApp> apps, ListChange change) {
    apps_ = std::move(apps);
    emit appsChanged(change);
}

void CleanerStore::setResiduals(std::vector<ResidualItem> items, ListChange change) {
    residuals_ = std::move(items);
    emit residualsChanged(change);
}

void CleanerStore::setSelectedApp(std::optional<InstalledApp> app) {
    selectedApp_ = std::move(app);
    emit selectedAppChanged();
}

void CleanerStore::setIsScanning(bool scanning) {
    isScanning_ = scanning;
    emit isScanningChanged();
}

void CleanerStore::setScanProgress(const ScanProgress& progress) {
    scanProgress_ = progress;
    emit scanProgressChanged();
}

void CleanerStore::setIsLoadingApps(bool loading) {
    isLoadingApps_ = loading;
    emit isLoadingAppsChanged();
}

void CleanerStore::setIsLeftoversMode(bool leftovers) {
    isLeftoversMode_ = leftovers;
    emit isLeftoversModeChanged();
}

void CleanerStore::setHistory(std::vector<RemovalRecord> records) {
    history_ = std::move(records);
    emit historyChanged();
}

void CleanerStore::setIsRemoving(bool removing) {
    isRemoving_ = removing;
    emit isRemovingChanged();
}

void CleanerStore::setIsRestoring(bool restoring, std::optional<Uuid> record) {
    isRestoring_ = restoring;
    restoringRecord_ = std::move(record);
    emit isRestoringChanged();
}

} // namespace tarnwick
