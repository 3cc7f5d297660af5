#include "session/RemovalWorkflow.h"

#include "catalogue/AppRecord.h"
#include "platform/Location.h"
#include "removal/TrashManager.h"

#include <algorithm>
#include <set>
#include <string>
#include <thread>

namespace tarnwick {

std::optional<TrashError> RemovalWorkflow::Result::failure() const {
    if (outcome.failures.empty()) {
        return std::nullopt;
    }
    const RemovalRecord& record = outcome.record;
    return TrashError::partial(outcome.failures,
                               record.items.empty() ? std::nullopt : std::optional(record.id));
}

bool RemovalWorkflow::Result::movedBundleOf(const InstalledApp& app) const {
    return std::any_of(moved.begin(), moved.end(),
                       [&](const ResidualItem& item) { return item.url == app.url; });
}

namespace {

std::vector<std::filesystem::path> placesOf(const RemovalRequest& request) {
    std::vector<std::filesystem::path> places{request.app.url};
    for (const ResidualItem& item : request.items) {
        places.push_back(item.url);
    }
    return places;
}

} // namespace

RemovalWorkflow::RemovalWorkflow(TrashManager& trash)
    : trash_(trash)
    , processes_(trash.platform()) {}

std::vector<RunningProcess> RemovalWorkflow::running(const RemovalRequest& request) const {
    return processes_.inside(placesOf(request));
}

std::vector<RunningProcess> RemovalWorkflow::quit(const RemovalRequest& request,
                                                  const std::vector<RunningProcess>& processes, Quitting how,
                                                  std::chrono::milliseconds patience) const {
    // Whatever the caller holds, only what runs from the request's places now is ended.
    const std::vector<RunningProcess> current = running(request);
    std::vector<RunningProcess> pending;
    for (const RunningProcess& process : processes) {
        if (std::find(current.begin(), current.end(), process) != current.end()) {
            if (how == Quitting::force) {
                processes_.forceQuit(process);
            } else {
                processes_.askToQuit(process);
            }
            pending.push_back(process);
        }
    }
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        std::erase_if(pending, [&](const RunningProcess& process) { return !processes_.isRunning(process); });
        if (pending.empty() || std::chrono::steady_clock::now() >= deadline) {
            return pending;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

std::vector<LaunchJob> RemovalWorkflow::launchJobs(const RemovalRequest& request) const {
    return trash_.launchJobs(request.items);
}

std::vector<std::string> RemovalWorkflow::processNames(const std::vector<RunningProcess>& processes) {
    std::vector<std::string> names;
    for (const RunningProcess& process : processes) {
        if (std::find(names.begin(), names.end(), process.name()) == names.end()) {
            names.push_back(process.name());
        }
    }
    return names;
}

std::optional<TrashError> RemovalWorkflow::refusal(const RemovalRequest& request) const {
    return trash_.refusal(request.app, request.items);
}

void RemovalWorkflow::check(const RemovalRequest& request) const {
    trash_.checkRemoval(request.app, request.items);
}

RemovalWorkflow::Result RemovalWorkflow::remove(const RemovalRequest& request) {
    return std::move(remove(std::vector{request}).front());
}

std::vector<RemovalWorkflow::Result> RemovalWorkflow::remove(const std::vector<RemovalRequest>& requests) {
    std::vector<RunningProcess> still;
    std::vector<RemovalPart> parts;
    for (const RemovalRequest& request : requests) {
        const std::vector<RunningProcess> found = running(request);
        still.insert(still.end(), found.begin(), found.end());
        parts.push_back({request.app, request.items});
    }
    if (!still.empty()) {
        throw TrashError::stillRunning(processNames(still));
    }
    std::vector<RemovalOutcome> outcomes = trash_.remove(parts);
    std::vector<Result> results;
    for (std::size_t index = 0; index < requests.size(); ++index) {
        Result result{std::move(outcomes[index]), {}, {}};
        std::set<std::string> movedPaths;
        for (const TrashPair& pair : result.outcome.record.items) {
            movedPaths.insert(pair.originalPath);
        }
        for (const ResidualItem& item : requests[index].items) {
            (movedPaths.contains(item.url.string()) ? result.moved : result.stayed).push_back(item);
        }
        results.push_back(std::move(result));
    }
    return results;
}

RestoreOutcome RemovalWorkflow::restore(const RemovalRecord& record) {
    return trash_.restore(record);
}

std::optional<TrashError> RemovalWorkflow::failure(const RestoreOutcome& outcome) {
    if (outcome.failures.empty()) {
        return std::nullopt;
    }
    return TrashError::notPutBack(outcome.failures);
}

std::vector<std::filesystem::path> RemovalWorkflow::restoredBundles(const RestoreOutcome& outcome) {
    std::vector<std::filesystem::path> bundles;
    for (const TrashPair& pair : outcome.restored) {
        if (AppRecord::isApplicationName(Location::lastComponent(pair.originalPath))) {
            bundles.emplace_back(pair.originalPath);
        }
    }
    return bundles;
}

} // namespace tarnwick
