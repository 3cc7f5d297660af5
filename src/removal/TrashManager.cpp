#include "removal/TrashManager.h"

#include "removal/HistoryFile.h"
#include "removal/Removal.h"
#include "removal/Restore.h"

namespace tarnwick {

TrashManager::TrashManager(const Platform& platform)
    : TrashManager(platform, Trashes::homeTrashFor(platform), AdminRunner::forThisSystem()) {}

TrashManager::TrashManager(const Platform& platform, std::unique_ptr<Trash> homeTrash,
                           std::unique_ptr<AdminRunner> admin, std::unique_ptr<CommandRunner> commands,
                           bool rootIsRunningSystem)
    : platform_(platform)
    , trashes_(platform, std::move(homeTrash))
    , admin_(std::move(admin))
    , commands_(std::move(commands))
    , launchJobs_(platform, *commands_, rootIsRunningSystem)
    , history_(HistoryFile::defaultLocation(platform), trashes_)
    , removal_(std::make_unique<Removal>(platform, trashes_, history_, *admin_, launchJobs_))
    , restore_(std::make_unique<Restore>(platform, trashes_, history_, *admin_, launchJobs_)) {
    std::error_code ignored;
    std::filesystem::create_directories(history_.folder(), ignored);
}

TrashManager::~TrashManager() = default;

void TrashManager::checkRemoval(const InstalledApp& app, const std::vector<ResidualItem>& items) const {
    removal_->check(app, items);
}

std::optional<TrashError> TrashManager::refusal(const InstalledApp& app,
                                                const std::vector<ResidualItem>& items) const {
    return removal_->refusal(app, items);
}

RemovalOutcome TrashManager::remove(const InstalledApp& app, const std::vector<ResidualItem>& items) {
    return removal_->run(app, items);
}

std::vector<RemovalOutcome> TrashManager::remove(const std::vector<RemovalPart>& parts) {
    return removal_->run(parts);
}

std::vector<LaunchJob> TrashManager::launchJobs(const std::vector<ResidualItem>& items) const {
    std::vector<std::filesystem::path> paths;
    for (const ResidualItem& item : items) {
        paths.push_back(item.url);
    }
    return launchJobs_.among(paths);
}

RestoreOutcome TrashManager::restore(const RemovalRecord& record) {
    return restore_->run(record);
}

std::vector<RemovalRecord> TrashManager::history() {
    return history_.open().records;
}

HistoryService::Listing TrashManager::openHistory() {
    return history_.open();
}

std::vector<RemovalRecord> TrashManager::historyStartingWith(std::string_view prefix) {
    return history_.startingWith(prefix);
}

HistoryFile::Outcome TrashManager::clearHistory() {
    return history_.clear();
}

HistoryFile::Outcome TrashManager::removeRecord(const Uuid& id) {
    return history_.forget(id);
}

bool TrashManager::isRestorable(const RemovalRecord& record) const {
    return history_.isRestorable(record);
}

HistoryFile::Outcome TrashManager::clearUnavailable() {
    return history_.clearUnavailable();
}

} // namespace tarnwick
