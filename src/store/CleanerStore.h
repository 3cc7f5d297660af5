#pragma once

#include "catalogue/InstalledApp.h"
#include "removal/HistoryFile.h"
#include "removal/RemovalRecord.h"
#include "residuals/ResidualItem.h"
#include "session/ItemChoice.h"
#include "store/AppListFilter.h"
#include "store/AppListState.h"
#include "store/Background.h"
#include "store/BatchState.h"
#include "store/DetailsUpdater.h"
#include "store/FindingsState.h"
#include "store/RemovalState.h"

#include <QObject>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

class RemovalWorkflow;
class StoreServices;
class TaskRunner;
class TrashManager;
struct RemovalRequest;

// Everything the window shows and every action the user takes, over three small states (the application
// list, the findings and their choice, the removals and their history) and the facts the details updater
// reads. It lives on the main thread: the states are read and changed there only, and background work hands
// its results back there. A result is applied only while it is still current: a scan's while the same
// application is selected, a size to the record with the same path.
class CleanerStore : public QObject {
    Q_OBJECT

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

    const AppListState& appList() const { return appList_; }
    const FindingsState& findings() const { return findings_; }
    // The applications chosen together, when more than one is; empty otherwise.
    const BatchState& batch() const { return batch_; }
    const RemovalState& removals() const { return removals_; }
    DetailsUpdater& details() { return details_; }
    // Where the window's own background work runs, beside the store's.
    Background& background() { return background_; }

    const std::optional<std::string>& errorMessage() const { return errorMessage_; }
    void setErrorMessage(std::optional<std::string> message);

    // --- Applications ---------------------------------------------------------------------------------
    // Reloads the list from the disk; supersedes a load still running.
    void loadApps();
    void setAppSearch(std::string text);
    // The sidebar's mode switch: a preview mode empties the selection; coming back to the applications
    // keeps the selection, or selects the first one that is not part of macOS.
    void switchMode(AppListFilter filter);

    // --- Selection and findings -----------------------------------------------------------------------
    void select(const InstalledApp& app);
    // Several applications at once, each scanned as a single selection is; one is a single selection.
    void selectApps(const std::vector<InstalledApp>& apps);
    void selectLeftovers();
    // Takes an application bundle dropped on the window: read off the main thread, listed if it is not, and
    // selected.
    void selectDroppedApp(const std::filesystem::path& location);
    void setFileSearch(std::string text);
    void toggle(const std::string& itemID);
    void choose(ItemChoice::Command command);
    void setChoice(bool chosen, const std::set<std::string>& itemIDs);
    // A section's checkbox over the findings it shows.
    void toggleSection(const std::set<std::string>& itemIDs);
    // The same, for the findings `of` one of the states the store publishes (a single selection's or a
    // section's of several).
    void toggle(const FindingsState& of, const std::string& itemID);
    void setChoice(const FindingsState& of, bool chosen, const std::set<std::string>& itemIDs);
    void toggleSection(const FindingsState& of, const std::set<std::string>& itemIDs);

    // --- Removal, history, restore --------------------------------------------------------------------
    // Why the chosen findings cannot be removed now, when they cannot: nothing chosen, an application of the
    // system, a removal or a restore already running (no message then). Decides whether removal is offered.
    std::optional<std::string> removalRefusal() const;
    bool canRequestRemoval() const;
    // Checks, off the main thread, everything the removal would refuse and what runs from what would move;
    // then asks for the confirmation.
    void requestRemoval();
    void cancelRemoval();
    // Asks what runs from what would move to quit, waits for it off the main thread, then moves; what did
    // not quit is put to the user (the force-quit candidate) and nothing moves.
    void confirmRemoval();
    // The user's word on what did not quit: force it to quit and move, or move nothing.
    void forceQuit();
    void cancelForceQuit();
    // How long processes get to quit before the user is told they did not.
    void setQuitPatience(std::chrono::milliseconds patience) { quitPatience_ = patience; }
    void openHistory();
    void setShowHistory(bool shown);
    void clearHistory();
    void removeHistoryRecord(const RemovalRecord& record);
    void clearUnavailableHistory();
    void restore(const RemovalRecord& record);
    // Puts back the last removal made here, every application of it, through the same restore as the
    // history's.
    void undoRemoval();
    // Looks again which records can still be restored: the Trash may have been emptied meanwhile.
    void refreshRestorability();

signals:
    void errorMessageChanged();
    // What is selected changed as a whole: a single application, several, the Leftovers or none. Sent once
    // the single selection and the sections of several agree.
    void selectionChanged();

private:
    struct CatalogueSearch;

    void receiveApp(std::uint64_t load, InstalledApp app);
    void startSizeTask(const InstalledApp& app);
    void startScan(const InstalledApp& app, bool orphans);
    void applyScan(std::uint64_t scan, const std::string& appID, std::vector<ResidualItem> items);
    struct RemovalReport;
    void startScanOf(const InstalledApp& app, bool orphans, std::uint64_t scan, const ScanControl& control);
    void applyBatchScan(std::uint64_t scan, const std::string& appID, std::vector<ResidualItem> items);
    std::vector<RemovalRequest> currentRequests() const;
    bool isCurrent(const std::vector<RemovalRequest>& requests) const;
    FindingsState& changeable(const FindingsState& of);
    void endProcesses(RemovalCandidate candidate, bool force);
    void startRemoval(std::vector<RemovalRequest> requests);
    void applyRemoval(const RemovalReport& report);
    void listRestoredApps(const std::vector<std::filesystem::path>& bundles);
    void restoreAll(std::vector<RemovalRecord> records);
    // Runs a change of the history off the main thread, then shows the history as it now stands and, when the
    // change was not written, `notWritten` with the reason.
    void changeHistory(std::function<HistoryFile::Outcome(TrashManager&)> change,
                       std::string (*notWritten)(const std::string&));
    void setHistory(std::vector<RemovalRecord> records);
    void selectFirstInstalled();
    void stopScan();
    std::shared_ptr<CatalogueSearch> catalogueSearch();
    void catalogueChanged();
    RemovalWorkflow workflow() const;

    std::unique_ptr<StoreServices> services_;
    Background background_;
    AppListState appList_;
    FindingsState findings_;
    BatchState batch_;
    RemovalState removals_;
    DetailsUpdater details_;
    std::optional<std::string> errorMessage_;

    // Each load and each scan is numbered, so that a superseded one can be told apart and stopped.
    std::uint64_t load_ = 0;
    std::stop_source loadStop_;
    std::uint64_t scan_ = 0;
    std::stop_source scanStop_;
    std::chrono::milliseconds quitPatience_;
    // Restorability is asked again whenever the history changes; only the last answer counts.
    std::uint64_t restorabilityQuestion_ = 0;
    // The leftover searches for the applications as now listed; made on first use, off the main thread.
    std::shared_ptr<CatalogueSearch> catalogueSearch_;
};

} // namespace tarnwick
