#include "removal/Restore.h"

#include "platform/FileOperations.h"
#include "platform/Location.h"
#include "platform/OpenFolder.h"
#include "platform/PlatformError.h"
#include "removal/AdministratorBatch.h"
#include "removal/RemovalLock.h"
#include "removal/TrashError.h"

#include <algorithm>
#include <cerrno>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

// One line of a failed restore.
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// "<former path>: <why>", naming the item as the user knew it.
Failure failure(const TrashPair& pair, const std::string& why) {
    return Failure(pair.originalPath + ": " + why);
}

std::string inQuotes(const std::string& path) {
    return "\u201C" + path + "\u201D";
}

Failure alreadyExists(const TrashPair& pair) {
    return Failure("Already exists: " + pair.originalPath);
}

// The Trash places named by the records newer than `record`: an item of a record of an older version,
// which did not say what it put in the Trash, may be theirs.
std::set<std::string> placesOfLaterRecords(const std::vector<RemovalRecord>& records, const Uuid& record) {
    std::set<std::string> places;
    for (const RemovalRecord& later : records) {
        if (later.id == record) {
            break;
        }
        for (const TrashPair& pair : later.items) {
            places.insert(pair.trashPath);
        }
    }
    return places;
}

} // namespace

Restore::Restore(const Platform& platform, Trashes& trashes, HistoryService& history, AdminRunner& admin,
                 LaunchJobs& launchJobs)
    : platform_(platform)
    , trashes_(trashes)
    , history_(history)
    , admin_(admin)
    , launchJobs_(launchJobs) {}

RestoreOutcome Restore::run(const RemovalRecord& given) {
    std::optional<RemovalLock> restoring;
    try {
        restoring = RemovalLock::tryTake(history_.folder(), given.id, RemovalLock::Kind::restore);
    } catch (const PlatformError& error) {
        throw TrashError::historyUnwritable(error.message());
    }
    if (!restoring) {
        throw TrashError::alreadyRestoring();
    }
    // As the history holds it now: another restore may have finished since the caller looked.
    const std::optional<RemovalRecord> stored = history_.find(given.id);
    const RemovalRecord& record = stored ? *stored : given;
    RestoreOutcome outcome;
    if (record.state == RemovalRecord::State::restored) {
        return outcome;
    }
    // Only a record of an older version, which does not say what it put in the Trash, needs the others.
    const bool isOlder = std::any_of(record.items.begin(), record.items.end(),
                                     [](const TrashPair& pair) { return !pair.trashItem; });
    const std::set<std::string> laterPlaces =
        isOlder ? placesOfLaterRecords(history_.records(), record.id) : std::set<std::string>{};
    const bool anythingInTrash =
        std::any_of(record.items.begin(), record.items.end(),
                    [](const TrashPair& pair) { return FileOperations::exists(pair.trashPath); });
    if (anythingInTrash) {
        history_.markRestoring(record.id);
    }

    std::vector<Deferred> deferred;
    FolderCache folders;
    for (auto pair = record.items.rbegin(); pair != record.items.rend(); ++pair) {
        try {
            Trash* trash = nullptr;
            // Only an administrator may start a daemon again: the helper that stopped it puts its list back.
            const bool isDaemonList = LaunchJobs::isDaemonList(pair->originalPath, record.launchJobs);
            switch (putBack(*pair, folders, laterPlaces, trash, isDaemonList)) {
            case Result::putBack:
                outcome.restored.push_back(*pair);
                break;
            case Result::needsAdministrator:
                deferred.emplace_back(&*pair, trash);
                break;
            case Result::notInTrash:
                break;
            }
        } catch (const Failure& line) {
            outcome.failures.emplace_back(line.what());
        }
    }
    if (!deferred.empty()) {
        administrator(deferred, record.id, outcome);
    }
    if (anythingInTrash) {
        history_.settleRestore(record.id);
    }
    // In the record's order, as the removal moved them.
    std::vector<TrashPair> inOrder;
    for (const TrashPair& pair : record.items) {
        if (std::find(outcome.restored.begin(), outcome.restored.end(), pair) != outcome.restored.end()) {
            inOrder.push_back(pair);
        }
    }
    outcome.restored = std::move(inOrder);

    // The jobs stopped for the removal run again once their lists are back.
    std::vector<LaunchJob> back;
    for (const LaunchJob& job : record.launchJobs) {
        if (std::any_of(outcome.restored.begin(), outcome.restored.end(),
                        [&](const TrashPair& pair) { return pair.originalPath == job.plist; })) {
            back.push_back(job);
        }
    }
    launchJobs_.start(back, outcome.failures);
    return outcome;
}

Restore::Result Restore::putBack(const TrashPair& pair, FolderCache& folders,
                                 const std::set<std::string>& laterPlaces, Trash*& trash, bool isDaemonList) {
    const fs::path place(pair.trashPath);
    const fs::path former(pair.originalPath);
    if (!FileOperations::exists(place)) {
        return Result::notInTrash;
    }
    // The history is a file anyone with the user's rights may edit: restore only takes things out of
    // the Trash, through no link, and only to a place named in full.
    trash = Location::standardized(place).native() == place.native() ? trashes_.holding(place) : nullptr;
    if (trash == nullptr) {
        throw failure(pair, "its place " + inQuotes(pair.trashPath) + " is not in a Trash.");
    }
    if (!former.is_absolute() || Location::standardized(former).native() != former.native()) {
        throw failure(pair, "that is not a plain absolute path to put an item back to.");
    }
    if (!pair.trashItem && laterPlaces.contains(pair.trashPath)) {
        throw failure(pair, "a later removal put an item at " + inQuotes(pair.trashPath) +
                                " too, and this older record does not say which one is its own; it stays in "
                                "the Trash.");
    }
    std::optional<OpenFolder> from;
    std::optional<ItemIdentity> present;
    const std::string name = place.filename().native();
    try {
        from =
            folders.open(trash->folder()).descendant(place.parent_path().lexically_relative(trash->folder()));
        present = from->itemIdentity(name);
    } catch (const PlatformError& error) {
        throw failure(pair,
                      "its place in the Trash cannot be reached without a link (" + error.message() + ")");
    }
    if (!present) {
        return Result::notInTrash;
    }
    if (pair.trashItem && !present->isSameObject(*pair.trashItem)) {
        throw failure(pair, "the item at " + inQuotes(pair.trashPath) +
                                " is not the one Tarnwick moved to the Trash, so it stays there.");
    }
    if (isDaemonList && AdministratorBatch::isInBatchFolder(place, *trash)) {
        return Result::needsAdministrator;
    }
    try {
        // Folders that are gone are made again, the user's own; a folder replaced by a link since is
        // never followed.
        const OpenFolder to =
            OpenFolder::throughSystemLinks(former.parent_path(), OpenFolder::Missing::create);
        if (to.itemIdentity(former.filename().native())) {
            throw alreadyExists(pair);
        }
        trash->moveBack(*from, name, to, former.filename().native());
    } catch (const PlatformError& error) {
        // Something took the place between the look and the move: it is kept, the item stays in the Trash.
        if (error.hasCode(PlatformError::posixDomain, EEXIST)) {
            throw alreadyExists(pair);
        }
        if (error.isPermissionDenied() && AdministratorBatch::isInBatchFolder(place, *trash)) {
            return Result::needsAdministrator;
        }
        throw failure(pair, error.message());
    }
    trash->itemWasRestored(place);
    AdministratorBatch::removeIfEmpty(place.parent_path(), *trash);
    return Result::putBack;
}

void Restore::administrator(const std::vector<Deferred>& deferred, const Uuid& id, RestoreOutcome& restored) {
    std::vector<std::string>& failures = restored.failures;
    // One request per batch folder, each answered item by item.
    std::map<fs::path, std::vector<Deferred>> byBatch;
    for (const Deferred& each : deferred) {
        byBatch[fs::path(each.first->trashPath).parent_path()].push_back(each);
    }
    for (const auto& [folder, group] : byBatch) {
        std::optional<AdministratorBatch> batch;
        try {
            batch.emplace(AdministratorBatch::requestFor(AdminRequest::Action::putBack, platform_,
                                                         trashes_.home().folder(), history_.folder(), id),
                          folder);
        } catch (const PlatformError& error) {
            for (const Deferred& each : group) {
                failures.push_back(failure(*each.first, error.message()).what());
            }
            continue;
        }
        for (const Deferred& each : group) {
            batch->addPutBack(each.first->trashPath, each.first->originalPath);
        }
        const AdminOutcome outcome = admin_.run(batch->request());
        if (!outcome.ran) {
            for (const Deferred& each : group) {
                failures.push_back(
                    failure(*each.first, outcome.reasonNotRun() + " It stays in the Trash.").what());
            }
            continue;
        }
        for (std::size_t index = 0; index < group.size(); ++index) {
            const AdminItemOutcome& item = outcome.items[index];
            failures.insert(failures.end(), item.notes.begin(), item.notes.end());
            if (item.result == AdminItemOutcome::Result::moved) {
                group[index].second->itemWasRestored(group[index].first->trashPath);
                restored.restored.push_back(*group[index].first);
            } else if (item.result == AdminItemOutcome::Result::failed) {
                failures.push_back(failure(*group[index].first, item.message).what());
            }
        }
        AdministratorBatch::removeIfEmpty(folder, *group.front().second);
    }
}

} // namespace tarnwick
