#pragma once

#include "catalogue/InstalledApp.h"
#include "platform/ScanControl.h"
#include "removal/RemovalRecord.h"
#include "residuals/ResidualItem.h"
#include "store/AppListFilter.h"
#include "store/TaskRunner.h"

#include <QObject>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <stop_token>
#include <string>
#include <vector>

namespace tarnwick {

class StoreServices;
class TrashManager;

// How a published list changed, so that a view can update the rows concerned instead of all of them.
// Rows are indexes into the list as it is after the change.
struct ListChange {
    enum class Kind {
        reset,    // anything may have changed
        inserted, // rows first..last are new
        changed,  // rows first..last have new values, same identity
    };
    Kind kind = Kind::reset;
    int first = 0;
    int last = -1;

    static ListChange all() { return {}; }
    static ListChange insertedAt(int row) { return {Kind::inserted, row, row}; }
    static ListChange changedRows(int first, int last) { return {Kind::changed, first, last}; }
};

// Everything the window shows and every action the user takes. It lives on the main thread: its fields
// are read and written there only, and background work hands its results back there. A result is applied
// only while it is still current: a scan's while the same application is selected, a size to the record
// with the same path.
class CleanerStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::vector<tarnwick::InstalledApp> apps READ apps NOTIFY appsChanged)
    Q_PROPERTY(std::string appSearch READ appSearch WRITE setAppSearch NOTIFY appSearchChanged)
    Q_PROPERTY(tarnwick::AppListFilter appListFilter READ appListFilter WRITE setAppListFilter NOTIFY
                   appListFilterChanged)
    Q_PROPERTY(bool isLoadingApps READ isLoadingApps NOTIFY isLoadingAppsChanged)
    Q_PROPERTY(std::optional<tarnwick::InstalledApp> selectedApp READ selectedApp NOTIFY selectedAppChanged)
    Q_PROPERTY(std::vector<tarnwick::ResidualItem> residuals READ residuals NOTIFY residualsChanged)
    Q_PROPERTY(std::string fileSearch READ fileSearch WRITE setFileSearch NOTIFY fileSearchChanged)
    Q_PROPERTY(bool isScanning READ isScanning NOTIFY isScanningChanged)
    Q_PROPERTY(tarnwick::ScanProgress scanProgress READ scanProgress NOTIFY scanProgressChanged)
    Q_PROPERTY(std::optional<std::string> errorMessage READ errorMessage WRITE setErrorMessage NOTIFY
                   errorMessageChanged)
    Q_PROPERTY(bool isLeftoversMode READ isLeftoversMode NOTIFY isLeftoversModeChanged)
    Q_PROPERTY(std::optional<tarnwick::InstalledApp> removalCandidate READ removalCandidate WRITE
                   setRemovalCandidate NOTIFY removalCandidateChanged)
    Q_PROPERTY(bool showHistory READ showHistory WRITE setShowHistory NOTIFY showHistoryChanged)
    Q_PROPERTY(std::vector<tarnwick::RemovalRecord> history READ history NOTIFY historyChanged)
    Q_PROPERTY(bool isRemoving READ isRemoving NOTIFY isRemovingChanged)
    Q_PROPERTY(bool isRestoring READ isRestoring NOTIFY isRestoringChanged)

public:
    // Nothing starts until `loadApps` is called.
    CleanerStore(std::unique_ptr<StoreServices> services, std::unique_ptr<TaskRunner> runner,
                 QObject* parent = nullptr);
    // Stops the scans and waits for the work in flight, so that no result arrives at a dead store.
    ~CleanerStore() override;

    // What a drop of anything but an application bundle says.
    static constexpr std::string_view notAnApplicationMessage = "Drop a macOS .app application bundle.";

    // The pseudo-application under which the Leftovers mode shows and removes orphaned files.
    static const InstalledApp& leftoversApp();

    // --- Applications ---------------------------------------------------------------------------------
    const std::vector<InstalledApp>& apps() const { return apps_; }
    const std::string& appSearch() const { return appSearch_; }
    void setAppSearch(std::string text);
    AppListFilter appListFilter() const { return appListFilter_; }
    void setAppListFilter(AppListFilter filter);
    bool isLoadingApps() const { return isLoadingApps_; }

    // Whether the sidebar lists `app` under the current mode and search: only in the Apps mode, never a
    // system application, and only when its name or bundle identifier contains the search text.
    bool isListed(const InstalledApp& app) const;
    std::vector<InstalledApp> filteredApps() const;
    // Applications that are not part of macOS, whatever the mode and search.
    int installedCount() const;

    // Reloads the list from the disk; supersedes a load still running.
    void loadApps();

    // --- Selection and findings -----------------------------------------------------------------------
    const std::optional<InstalledApp>& selectedApp() const { return selectedApp_; }
    const std::vector<ResidualItem>& residuals() const { return residuals_; }
    const std::string& fileSearch() const { return fileSearch_; }
    void setFileSearch(std::string text);
    bool isScanning() const { return isScanning_; }
    // How far the current scan has got; zero when none runs.
    const ScanProgress& scanProgress() const { return scanProgress_; }
    const std::optional<std::string>& errorMessage() const { return errorMessage_; }
    void setErrorMessage(std::optional<std::string> message);
    bool isLeftoversMode() const { return isLeftoversMode_; }

    // Whether the file search shows `item`: its path or its category's name contains the text.
    bool isShown(const ResidualItem& item) const;
    std::vector<ResidualItem> filteredResiduals() const;
    // Chosen items count whether or not the file search shows them.
    std::vector<ResidualItem> selectedItems() const;
    std::int64_t selectedBytes() const;

    void select(const InstalledApp& app);
    void selectLeftovers();
    void selectDroppedApp(const std::filesystem::path& location);
    // The sidebar's mode switch: a preview mode empties the selection; coming back to the applications
    // keeps the selection, or selects the first one that is not part of macOS.
    void switchMode(AppListFilter filter);
    void toggle(const ResidualItem& item);
    // Selecting all never selects a merely possible match; deselecting all clears every item.
    void setAll(bool selected);
    void setSelection(bool selected, const std::set<std::string>& itemIDs);

    // --- Removal, history, restore --------------------------------------------------------------------
    const std::optional<InstalledApp>& removalCandidate() const { return removalCandidate_; }
    void setRemovalCandidate(std::optional<InstalledApp> candidate);
    bool showHistory() const { return showHistory_; }
    void setShowHistory(bool shown);
    const std::vector<RemovalRecord>& history() const { return history_; }
    // The files of unreadable history kept aside, as the history was last opened; shown until dealt with.
    const std::vector<std::filesystem::path>& keptAsideHistory() const { return keptAsideHistory_; }
    // True from the confirmation until the removal's result is applied; no other move starts meanwhile.
    bool isRemoving() const { return isRemoving_; }
    // True while a restore runs; no other move starts meanwhile.
    bool isRestoring() const { return isRestoring_; }
    // The record whose restore runs, for its row to show progress.
    const std::optional<Uuid>& restoringRecord() const { return restoringRecord_; }
    bool hasUnavailableHistory() const;

    TrashManager& trash();

    void requestRemoval();
    void confirmRemoval();
    void openHistory();
    void clearHistory();
    bool isRestorable(const RemovalRecord& record) const;
    void removeHistoryRecord(const RemovalRecord& record);
    void clearUnavailableHistory();
    void restore(const RemovalRecord& record);

signals:
    // Each is emitted on every assignment of its field, even with an equal value.
    void appsChanged(tarnwick::ListChange change);
    void appSearchChanged();
    void appListFilterChanged();
    void isLoadingAppsChanged();
    void selectedAppChanged();
    void residualsChanged(tarnwick::ListChange change);
    void fileSearchChanged();
    void isScanningChanged();
    void scanProgressChanged();
    void errorMessageChanged();
    void isLeftoversModeChanged();
    void removalCandidateChanged();
    void showHistoryChanged();
    void historyChanged();
    void isRemovingChanged();
    void isRestoringChanged();

private:
    struct CatalogueSearch;
    struct RemovalResult;

    void startSizeTask(const InstalledApp& app, std::stop_token stop);
    void receiveApp(std::uint64_t load, InstalledApp app);
    void finishLoad(std::uint64_t load);
    void applySize(const std::string& id, std::int64_t size);
    void startScan(const InstalledApp& app, bool orphans);
    void applyScan(std::uint64_t scan, const std::string& appID, std::vector<ResidualItem> items);
    void applyProgress(std::uint64_t scan, const ScanProgress& progress);
    void applyRemoval(const InstalledApp& app, RemovalResult result);
    void selectFirstInstalled();
    std::shared_ptr<CatalogueSearch> catalogueSearch();
    void catalogueChanged();
    // Hands `work` to the main thread, from any thread. Results are applied in the order they were
    // handed over, in batches that give the event loop back every few milliseconds, so that a burst of
    // records or sizes never keeps the window from repainting.
    void post(std::function<void()> work);
    void applyPosted();

    void setApps(std::vector<InstalledApp> apps, ListChange change);
    void setResiduals(std::vector<ResidualItem> items, ListChange change);
    void setSelectedApp(std::optional<InstalledApp> app);
    void setIsScanning(bool scanning);
    void setScanProgress(const ScanProgress& progress);
    void setIsLoadingApps(bool loading);
    void setIsLeftoversMode(bool leftovers);
    void setHistory(std::vector<RemovalRecord> records);
    void setIsRemoving(bool removing);
    void setIsRestoring(bool restoring, std::optional<Uuid> record);

    std::unique_ptr<StoreServices> services_;
    std::unique_ptr<TaskRunner> runner_;

    std::vector<InstalledApp> apps_;
    // False after a drop put the list in plain order, until the next record or load sorts it by name.
    bool appsInNameOrder_ = true;
    std::string appSearch_;
    AppListFilter appListFilter_ = AppListFilter::apps;
    bool isLoadingApps_ = false;
    std::optional<InstalledApp> selectedApp_;
    std::vector<ResidualItem> residuals_;
    std::string fileSearch_;
    bool isScanning_ = false;
    ScanProgress scanProgress_;
    std::optional<std::string> errorMessage_;
    bool isLeftoversMode_ = false;
    std::optional<InstalledApp> removalCandidate_;
    bool showHistory_ = false;
    std::vector<RemovalRecord> history_;
    std::vector<std::filesystem::path> keptAsideHistory_;
    bool isRemoving_ = false;
    bool isRestoring_ = false;
    std::optional<Uuid> restoringRecord_;

    // Each load and each scan is numbered, so that a superseded one can be told apart and stopped.
    std::uint64_t load_ = 0;
    std::stop_source loadStop_;
    std::uint64_t scan_ = 0;
    std::stop_source scanStop_;
    // The leftover searches for the applications as now listed; made on first use, off the main thread.
    std::shared_ptr<CatalogueSearch> catalogueSearch_;

    // What background work handed over and the main thread has not applied yet.
    std::mutex postedMutex_;
    std::deque<std::function<void()>> posted_;
    bool applyScheduled_ = false;
};

} // namespace tarnwick
