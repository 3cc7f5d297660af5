#include "store/CleanerStore.h"

#include "catalogue/AppRecord.h"
#include "platform/Location.h"
#include "removal/TrashManager.h"
#include "session/RemovalTexts.h"
#include "session/RemovalWorkflow.h"
#include "store/StoreServices.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

// Progress is handed to the main thread at most this often; the window cannot show it faster.
constexpr auto progressInterval = std::chrono::milliseconds(100);

using Priority = TaskRunner::Priority;

std::set<std::string> idsOf(const std::vector<ResidualItem>& items) {
    std::set<std::string> ids;
    for (const ResidualItem& item : items) {
        ids.insert(item.id());
    }
    return ids;
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

CleanerStore::CleanerStore(std::unique_ptr<StoreServices> services, std::unique_ptr<TaskRunner> runner,
                           QObject* parent)
    : QObject(parent)
    , services_(std::move(services))
    , background_(std::move(runner))
    , details_(background_)
    , quitPatience_(RemovalWorkflow::quitPatience) {}

CleanerStore::~CleanerStore() {
    loadStop_.request_stop();
    scanStop_.request_stop();
    background_.waitForDone();
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

RemovalWorkflow CleanerStore::workflow() const {
    return RemovalWorkflow(services_->trash());
}

void CleanerStore::setErrorMessage(std::optional<std::string> message) {
    errorMessage_ = std::move(message);
    emit errorMessageChanged();
}

// --- Applications ---------------------------------------------------------------------------------------

void CleanerStore::loadApps() {
    // A newer load supersedes the older one: its stream and its size tasks stop, its records are dropped.
    loadStop_.request_stop();
    loadStop_ = std::stop_source();
    const std::uint64_t load = ++load_;
    const std::stop_token stop = loadStop_.get_token();

    appList_.setLoading(true);
    appList_.clear();
    catalogueChanged();

    background_.start(Priority::userInitiated, [this, load, stop] {
        services_->findApps(
            [this, load](InstalledApp app) {
                background_.post(
                    [this, load, app = std::move(app)]() mutable { receiveApp(load, std::move(app)); });
            },
            {.stop = stop});
        background_.post([this, load] {
            if (load == load_) {
                appList_.setLoading(false);
            }
        });
    });
}

void CleanerStore::receiveApp(std::uint64_t load, InstalledApp app) {
    if (load != load_) {
        return;
    }
    startSizeTask(app);
    appList_.insert(std::move(app));
    catalogueChanged();
}

void CleanerStore::startSizeTask(const InstalledApp& app) {
    background_.run(Priority::utility, this,
                    [this, app, stop = loadStop_.get_token()]() -> std::function<void()> {
                        const std::optional<std::int64_t> size =
                            stop.stop_requested() ? std::nullopt : services_->measure(app, stop);
                        if (!size) {
                            return {};
                        }
                        return [this, id = app.id(), size = *size] { appList_.setSize(id, size); };
                    });
}

void CleanerStore::setAppSearch(std::string text) {
    appList_.setSearch(std::move(text));
}

void CleanerStore::switchMode(AppListFilter filter) {
    appList_.setFilter(filter);
    if (filter != AppListFilter::apps) {
        // Nothing is shown for a preview, so a scan still running would only be thrown away.
        stopScan();
        batch_.clear();
        findings_.show(std::nullopt, false);
        findings_.setScanning(false);
        findings_.setProgress({});
        emit selectionChanged();
        return;
    }
    if (!findings_.selectedApp() && batch_.isEmpty()) {
        selectFirstInstalled();
    }
}

// --- Selection and findings -----------------------------------------------------------------------------

void CleanerStore::select(const InstalledApp& app) {
    findings_.show(app, false);
    batch_.clear();
    findings_.setScanning(true);
    details_.requestMetadata(app);
    startScan(app, false);
    emit selectionChanged();
}

void CleanerStore::selectApps(const std::vector<InstalledApp>& apps) {
    if (apps.size() <= 1) {
        if (!apps.empty()) {
            select(apps.front());
        }
        return;
    }
    // Each application's scan runs as a single selection's would; the next selection stops them all.
    stopScan();
    scanStop_ = std::stop_source();
    batch_.show(apps);
    findings_.show(std::nullopt, false);
    findings_.setScanning(false);
    findings_.setProgress({});
    details_.forgetFacts();
    for (const InstalledApp& app : apps) {
        details_.requestMetadata(app);
        startScanOf(app, false, scan_, {.stop = scanStop_.get_token()});
    }
    emit selectionChanged();
}

void CleanerStore::selectLeftovers() {
    findings_.show(leftoversApp(), true);
    batch_.clear();
    findings_.setScanning(true);
    startScan(leftoversApp(), true);
    emit selectionChanged();
}

void CleanerStore::selectDroppedApp(const fs::path& location) {
    if (!AppRecord::isApplicationName(Location::lastComponent(location))) {
        setErrorMessage(std::string(notAnApplicationMessage));
        return;
    }
    background_.run(Priority::userInitiated, this, [this, location] {
        InstalledApp dropped = services_->handedOver(location);
        return [this, dropped = std::move(dropped)] {
            // A bundle listed already is that record, which takes the size measured for the drop.
            if (appList_.rowOf(dropped.id()) < 0) {
                appList_.insert(dropped);
                catalogueChanged();
            } else if (dropped.size) {
                appList_.setSize(dropped.id(), *dropped.size);
            }
            select(dropped);
        };
    });
}

void CleanerStore::setFileSearch(std::string text) {
    findings_.setFileSearch(std::move(text));
}

void CleanerStore::toggle(const std::string& itemID) {
    findings_.toggle(itemID);
}

void CleanerStore::choose(ItemChoice::Command command) {
    findings_.apply(command);
}

void CleanerStore::setChoice(bool chosen, const std::set<std::string>& itemIDs) {
    findings_.setChoice(chosen, itemIDs);
}

void CleanerStore::toggleSection(const std::set<std::string>& itemIDs) {
    findings_.toggleSection(itemIDs);
}

FindingsState& CleanerStore::changeable(const FindingsState& of) {
    const int row = batch_.rowOf(of);
    return row < 0 ? findings_ : batch_.section(static_cast<std::size_t>(row));
}

void CleanerStore::toggle(const FindingsState& of, const std::string& itemID) {
    changeable(of).toggle(itemID);
}

void CleanerStore::setChoice(const FindingsState& of, bool chosen, const std::set<std::string>& itemIDs) {
    changeable(of).setChoice(chosen, itemIDs);
}

void CleanerStore::toggleSection(const FindingsState& of, const std::set<std::string>& itemIDs) {
    changeable(of).toggleSection(itemIDs);
}

void CleanerStore::stopScan() {
    ++scan_;
    scanStop_.request_stop();
}

void CleanerStore::startScan(const InstalledApp& app, bool orphans) {
    // The scan of an earlier selection is stopped: its result could never be shown.
    stopScan();
    scanStop_ = std::stop_source();
    const std::uint64_t scan = scan_;
    findings_.setProgress({});
    details_.forgetFacts();

    auto lastReport = std::make_shared<std::atomic<std::int64_t>>(0);
    ScanControl control{
        .stop = scanStop_.get_token(), .progress = [this, scan, lastReport](const ScanProgress& progress) {
            const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now().time_since_epoch())
                                 .count();
            std::int64_t last = lastReport->load();
            if (now - last < progressInterval.count() || !lastReport->compare_exchange_strong(last, now)) {
                return;
            }
            background_.post([this, scan, progress] {
                if (scan == scan_ && findings_.isScanning()) {
                    findings_.setProgress(progress);
                }
            });
        }};
    startScanOf(app, orphans, scan, control);
}

void CleanerStore::startScanOf(const InstalledApp& app, bool orphans, std::uint64_t scan,
                               const ScanControl& control) {
    const bool isBatch = !batch_.isEmpty();
    background_.start(
        Priority::userInitiated, [this, search = catalogueSearch(), app, orphans, scan, control, isBatch] {
            if (control.stopRequested()) {
                return;
            }
            const std::shared_ptr<const LeftoverSearch> leftovers = search->get(*services_);
            std::optional<std::vector<ResidualItem>> items =
                orphans ? leftovers->orphans(control) : leftovers->forApp(app, control);
            if (!items) {
                return; // stopped by a newer selection
            }
            background_.post([this, scan, id = app.id(), items = std::move(*items), isBatch]() mutable {
                if (isBatch) {
                    applyBatchScan(scan, id, std::move(items));
                } else {
                    applyScan(scan, id, std::move(items));
                }
            });
        });
}

void CleanerStore::applyBatchScan(std::uint64_t scan, const std::string& appID,
                                  std::vector<ResidualItem> items) {
    FindingsState* section = batch_.sectionOf(appID);
    if (scan != scan_ || section == nullptr) {
        return; // a newer selection is shown
    }
    section->setFindings(std::move(items));
    section->setScanning(false);
}

void CleanerStore::applyScan(std::uint64_t scan, const std::string& appID, std::vector<ResidualItem> items) {
    if (!findings_.isSelected(appID)) {
        return; // another application is shown by now; its own scan will end the scanning
    }
    findings_.setFindings(std::move(items));
    findings_.setScanning(false);
    if (scan == scan_) {
        findings_.setProgress({});
    }
}

// --- Removal, history, restore --------------------------------------------------------------------------

std::vector<RemovalRequest> CleanerStore::currentRequests() const {
    std::vector<RemovalRequest> requests;
    if (findings_.selectedApp()) {
        // Built in place: a list of requests written out would copy every chosen finding once more.
        requests.push_back({*findings_.selectedApp(), findings_.chosenItems()});
        return requests;
    }
    // Of several applications, those with nothing chosen are left as they are.
    for (std::size_t row = 0; row < batch_.size(); ++row) {
        const FindingsState& section = batch_.section(row);
        if (section.chosenCount() > 0) {
            requests.push_back({*section.selectedApp(), section.chosenItems()});
        }
    }
    if (requests.empty() && !batch_.isEmpty()) {
        requests.push_back({*batch_.section(0).selectedApp(), {}}); // refused: nothing chosen
    }
    return requests;
}

bool CleanerStore::isCurrent(const std::vector<RemovalRequest>& requests) const {
    const std::vector<RemovalRequest> now = currentRequests();
    return std::equal(now.begin(), now.end(), requests.begin(), requests.end(),
                      [](const RemovalRequest& one, const RemovalRequest& other) {
                          return one.app.id() == other.app.id();
                      });
}

std::optional<std::string> CleanerStore::removalRefusal() const {
    const std::vector<RemovalRequest> requests = currentRequests();
    if (requests.empty()) {
        return std::string();
    }
    if (!batch_.isEmpty() && batch_.isScanning()) {
        return std::string(); // what is chosen is not known yet for every application
    }
    for (const RemovalRequest& request : requests) {
        if (const auto refusal = workflow().refusal(request)) {
            return std::string(refusal->what());
        }
    }
    return removals_.isBusy() ? std::optional(std::string()) : std::nullopt;
}

bool CleanerStore::canRequestRemoval() const {
    return !removalRefusal().has_value();
}

void CleanerStore::requestRemoval() {
    const std::optional<std::string> refusal = removalRefusal();
    if (refusal) {
        if (!refusal->empty()) {
            setErrorMessage(refusal);
        }
        return;
    }
    background_.run(Priority::userInitiated, this, [this, requests = currentRequests()] {
        std::optional<std::string> failure;
        RemovalCandidate candidate{requests, {}, {}};
        try {
            // Reads the disk, and /proc for what runs: never on the main thread.
            for (const RemovalRequest& request : requests) {
                workflow().check(request);
                candidate.running.push_back(workflow().running(request));
                const std::vector<LaunchJob> jobs = workflow().launchJobs(request);
                candidate.launchJobs.insert(candidate.launchJobs.end(), jobs.begin(), jobs.end());
            }
        } catch (const TrashError& error) {
            failure = error.what();
        }
        return [this, candidate = std::move(candidate), failure] {
            if (!isCurrent(candidate.requests) || removals_.isBusy()) {
                return; // the user has moved on
            }
            if (failure) {
                setErrorMessage(failure);
            } else {
                removals_.setCandidate(candidate);
            }
        };
    });
}

void CleanerStore::cancelRemoval() {
    if (removals_.candidate()) {
        removals_.setCandidate(std::nullopt);
    }
}

void CleanerStore::confirmRemoval() {
    if (!removals_.candidate() || removals_.isBusy()) {
        return;
    }
    RemovalCandidate candidate = *removals_.candidate();
    removals_.setCandidate(std::nullopt);
    removals_.setRemoving(true);
    if (candidate.isRunning()) {
        endProcesses(std::move(candidate), false);
    } else {
        startRemoval(std::move(candidate.requests));
    }
}

void CleanerStore::forceQuit() {
    if (!removals_.forceQuitCandidate()) {
        return;
    }
    RemovalCandidate candidate = *removals_.forceQuitCandidate();
    removals_.setForceQuitCandidate(std::nullopt);
    endProcesses(std::move(candidate), true);
}

void CleanerStore::cancelForceQuit() {
    if (!removals_.forceQuitCandidate()) {
        return;
    }
    removals_.setForceQuitCandidate(std::nullopt);
    removals_.setRemoving(false); // nothing moved, and the user knows why
}

void CleanerStore::endProcesses(RemovalCandidate candidate, bool force) {
    removals_.setWaitingFor(candidate.runningNames());
    background_.run(Priority::userInitiated, this,
                    [this, candidate = std::move(candidate), force, patience = quitPatience_]() mutable {
                        const auto how =
                            force ? RemovalWorkflow::Quitting::force : RemovalWorkflow::Quitting::ask;
                        for (std::size_t index = 0; index < candidate.requests.size(); ++index) {
                            candidate.running[index] = workflow().quit(
                                candidate.requests[index], candidate.running[index], how, patience);
                        }
                        return [this, candidate = std::move(candidate), force]() mutable {
                            removals_.setWaitingFor({});
                            if (!candidate.isRunning()) {
                                startRemoval(std::move(candidate.requests));
                            } else if (!force) {
                                removals_.setForceQuitCandidate(std::move(candidate));
                            } else {
                                removals_.setRemoving(false);
                                setErrorMessage(TrashError::stillRunning(candidate.runningNames()).what());
                            }
                        };
                    });
}

// What became of a removal, handed from the background to the main thread.
struct CleanerStore::RemovalReport {
    struct Part {
        RemovalRequest request;
        std::vector<ResidualItem> moved;
        std::optional<std::string> failure;
        bool movedBundle = false;
        std::optional<RemovalRecord> record;
    };
    std::vector<Part> parts; // empty when the removal was refused before anything moved
    std::optional<std::string> refusal;
    std::optional<std::vector<RemovalRecord>> history;
};

void CleanerStore::startRemoval(std::vector<RemovalRequest> requests) {
    background_.run(Priority::userInitiated, this, [this, requests = std::move(requests)] {
        RemovalReport report;
        try {
            std::vector<RemovalWorkflow::Result> results = workflow().remove(requests);
            for (std::size_t index = 0; index < results.size(); ++index) {
                const RemovalWorkflow::Result& result = results[index];
                RemovalReport::Part part{requests[index], result.moved, std::nullopt,
                                         result.movedBundleOf(requests[index].app), std::nullopt};
                if (const auto partial = result.failure()) {
                    part.failure = partial->what();
                }
                if (!result.outcome.record.items.empty()) {
                    part.record = result.outcome.record;
                }
                report.parts.push_back(std::move(part));
            }
            report.history = services_->trash().history();
        } catch (const TrashError& refusal) {
            report.refusal = refusal.what(); // nothing moved
        }
        return [this, report = std::move(report)] { applyRemoval(report); };
    });
}

void CleanerStore::applyRemoval(const RemovalReport& report) {
    removals_.setRemoving(false);
    if (report.history) {
        setHistory(*report.history);
    }
    std::vector<std::string> failures;
    if (report.refusal) {
        failures.push_back(*report.refusal);
    }
    const bool isSeveral = report.parts.size() > 1;
    // What moved, even in part, can be put back at once; a removal that moved nothing leaves the last one.
    std::vector<RemovalRecord> undoable;
    for (const RemovalReport::Part& part : report.parts) {
        if (part.record) {
            undoable.push_back(*part.record);
        }
    }
    if (!undoable.empty()) {
        removals_.setUndoable(std::move(undoable));
    }
    for (const RemovalReport::Part& part : report.parts) {
        if (part.movedBundle) {
            appList_.remove(part.request.app.id());
            catalogueChanged();
        }
        if (!part.failure) {
            batch_.remove(part.request.app.id()); // all of it went: nothing left to show
            continue;
        }
        failures.push_back(isSeveral ? part.request.app.name + ": " + *part.failure : *part.failure);
        // What did move must not be offered again, while the rest keep their choices.
        const std::set<std::string> moved = idsOf(part.moved);
        if (findings_.isSelected(part.request.app.id())) {
            findings_.remove(moved);
        } else if (FindingsState* section = batch_.sectionOf(part.request.app.id())) {
            section->remove(moved);
        }
    }
    if (!failures.empty()) {
        std::string message;
        for (const std::string& failure : failures) {
            message += (message.empty() ? "" : "\n\n") + failure;
        }
        setErrorMessage(std::move(message));
        return;
    }
    findings_.show(std::nullopt, false);
    if (batch_.isEmpty()) {
        selectFirstInstalled();
    }
    emit selectionChanged();
}

void CleanerStore::selectFirstInstalled() {
    if (const auto first = appList_.firstInstalled()) {
        select(*first);
    }
}

void CleanerStore::openHistory() {
    background_.run(Priority::interactive, this, [this] {
        HistoryService::Listing listing = services_->trash().openHistory();
        return [this, listing = std::move(listing)]() mutable {
            removals_.setKeptAside(std::move(listing.keptAside));
            setHistory(std::move(listing.records));
            removals_.setShown(true);
        };
    });
}

void CleanerStore::setShowHistory(bool shown) {
    removals_.setShown(shown);
}

void CleanerStore::setHistory(std::vector<RemovalRecord> records) {
    // A removal the history forgot cannot be put back by Undo either.
    removals_.dropUndoable([&](const RemovalRecord& record) {
        return std::none_of(records.begin(), records.end(),
                            [&](const RemovalRecord& kept) { return kept.id == record.id; });
    });
    removals_.setHistory(std::move(records));
    refreshRestorability();
}

void CleanerStore::refreshRestorability() {
    const std::uint64_t question = ++restorabilityQuestion_;
    background_.run(Priority::interactive, this, [this, question, records = removals_.history()] {
        std::unordered_map<Uuid, bool> restorable;
        for (const RemovalRecord& record : records) {
            restorable[record.id] = services_->trash().isRestorable(record);
        }
        return [this, question, restorable = std::move(restorable)]() mutable {
            if (question == restorabilityQuestion_) {
                removals_.setRestorability(std::move(restorable));
            }
        };
    });
}

void CleanerStore::changeHistory(std::function<HistoryFile::Outcome(TrashManager&)> change,
                                 std::string (*notWritten)(const std::string&)) {
    background_.run(Priority::userInitiated, this, [this, change = std::move(change), notWritten] {
        const HistoryFile::Outcome outcome = change(services_->trash());
        std::vector<RemovalRecord> records = services_->trash().history();
        std::optional<std::string> failure;
        if (!outcome.written) {
            // Showing the records gone would claim they are when they are not.
            failure = notWritten(outcome.failure);
        }
        return [this, failure = std::move(failure), records = std::move(records)]() mutable {
            if (failure) {
                setErrorMessage(std::move(failure));
            }
            setHistory(std::move(records));
        };
    });
}

void CleanerStore::clearHistory() {
    changeHistory([](TrashManager& trash) { return trash.clearHistory(); }, RemovalTexts::historyNotCleared);
}

void CleanerStore::removeHistoryRecord(const RemovalRecord& record) {
    changeHistory([id = record.id](TrashManager& trash) { return trash.removeRecord(id); },
                  RemovalTexts::historyNotChanged);
}

void CleanerStore::clearUnavailableHistory() {
    changeHistory([](TrashManager& trash) { return trash.clearUnavailable(); },
                  RemovalTexts::historyNotChanged);
}

void CleanerStore::undoRemoval() {
    restoreAll(removals_.undoable());
}

void CleanerStore::restore(const RemovalRecord& record) {
    restoreAll({record});
}

void CleanerStore::restoreAll(std::vector<RemovalRecord> records) {
    if (removals_.isBusy() || records.empty()) {
        return;
    }
    // Put back, from here or from the history, it is nothing to undo any more.
    removals_.dropUndoable([&](const RemovalRecord& each) {
        return std::any_of(records.begin(), records.end(),
                           [&](const RemovalRecord& record) { return record.id == each.id; });
    });
    removals_.setRestoring(records.front().id);
    background_.run(Priority::userInitiated, this, [this, records = std::move(records)] {
        std::string failure;
        std::vector<fs::path> bundles;
        for (const RemovalRecord& record : records) {
            const RestoreOutcome outcome = workflow().restore(record);
            if (const auto partial = RemovalWorkflow::failure(outcome)) {
                failure += (failure.empty() ? "" : "\n\n") + std::string(partial->what());
            }
            const std::vector<fs::path> restored = RemovalWorkflow::restoredBundles(outcome);
            bundles.insert(bundles.end(), restored.begin(), restored.end());
        }
        std::vector<RemovalRecord> history = services_->trash().history();
        return [this, failure = failure.empty() ? std::nullopt : std::optional(failure),
                history = std::move(history), bundles = std::move(bundles)]() mutable {
            removals_.setRestoring(std::nullopt);
            if (failure) {
                setErrorMessage(std::move(failure));
            }
            setHistory(std::move(history));
            listRestoredApps(bundles);
        };
    });
}

void CleanerStore::listRestoredApps(const std::vector<fs::path>& bundles) {
    if (bundles.empty()) {
        return;
    }
    // The catalogue decides what is installed: a bundle put back outside the application folders is not.
    background_.run(Priority::userInitiated, this, [this, bundles, stop = loadStop_.get_token()] {
        std::vector<InstalledApp> found;
        services_->findApps(
            [&](InstalledApp app) {
                if (std::find(bundles.begin(), bundles.end(), app.url) != bundles.end()) {
                    found.push_back(std::move(app));
                }
            },
            {.stop = stop});
        return [this, found = std::move(found)] {
            for (const InstalledApp& app : found) {
                if (appList_.rowOf(app.id()) < 0) {
                    startSizeTask(app);
                    appList_.insert(app);
                    catalogueChanged();
                }
            }
        };
    });
}

// --- The leftover searches ------------------------------------------------------------------------------

std::shared_ptr<CleanerStore::CatalogueSearch> CleanerStore::catalogueSearch() {
    if (!catalogueSearch_) {
        catalogueSearch_ = std::make_shared<CatalogueSearch>(appList_.apps());
    }
    return catalogueSearch_;
}

void CleanerStore::catalogueChanged() {
    catalogueSearch_.reset();
}

} // namespace tarnwick
