#include "session/RemovalWorkflow.h"

#include "catalogue/AppRecord.h"
#include "platform/Location.h"
#include "removal/TrashManager.h"

#include <algorithm>
#include <set>
#include <string>

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

RemovalWorkflow::RemovalWorkflow(TrashManager& trash)
    : trash_(trash) {}

std::optional<TrashError> RemovalWorkflow::refusal(const RemovalRequest& request) const {
    return trash_.refusal(request.app, request.items);
}

void RemovalWorkflow::check(const RemovalRequest& request) const {
    trash_.checkRemoval(request.app, request.items);
}

RemovalWorkflow::Result RemovalWorkflow::remove(const RemovalRequest& request) {
    Result result{trash_.remove(request.app, request.items), {}, {}};
    std::set<std::string> movedPaths;
    for (const TrashPair& pair : result.outcome.record.items) {
        movedPaths.insert(pair.originalPath);
    }
    for (const ResidualItem& item : request.items) {
        (movedPaths.contains(item.url.string()) ? result.moved : result.stayed).push_back(item);
    }
    return result;
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
