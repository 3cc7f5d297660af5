#include "removal/Restore.h"

#include "platform/FileOperations.h"
#include "platform/Location.h"
#include "platform/OpenFolder.h"
#include "platform/PlatformError.h"
#include "removal/AdministratorBatch.h"

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

// One line of a failed restore.
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string failureLine(const fs::path& location, const std::exception& error) {
    return Location::lastComponent(location) + ": " + error.what();
}

} // namespace

Restore::Restore(Trashes& trashes, HistoryService& history)
    : trashes_(trashes)
    , history_(history) {}

RestoreOutcome Restore::run(const RemovalRecord& record) {
    RestoreOutcome outcome;
    if (record.state == RemovalRecord::State::restored) {
        return outcome;
    }
    FolderCache folders;
    PathResolver resolver;
    for (auto pair = record.items.rbegin(); pair != record.items.rend(); ++pair) {
        try {
            if (putBack(*pair, folders, resolver)) {
                outcome.restored.push_back(*pair);
            }
        } catch (const Failure& failure) {
            outcome.failures.emplace_back(failure.what());
        }
    }
    std::reverse(outcome.restored.begin(), outcome.restored.end());
    if (!outcome.restored.empty() && !history_.isRestorable(record)) {
        history_.markRestored(record.id);
    }
    return outcome;
}

bool Restore::putBack(const TrashPair& pair, FolderCache& folders, PathResolver& resolver) {
    const fs::path place(pair.trashPath);
    const fs::path former(pair.originalPath);
    if (!FileOperations::exists(place)) {
        return false;
    }
    // The history is a file anyone with the user's rights may edit: restore only takes things out of
    // the Trash, through no link, and only to a place named in full.
    Trash* trash =
        Location::standardized(place).native() == place.native() ? trashes_.holding(place) : nullptr;
    if (trash == nullptr) {
        throw Failure("Not in the Trash: " + pair.trashPath);
    }
    if (!former.is_absolute() || Location::standardized(former).native() != former.native()) {
        throw Failure("Not a place to restore to: " + pair.originalPath);
    }
    std::optional<OpenFolder> from;
    try {
        from =
            folders.open(trash->folder()).descendant(place.parent_path().lexically_relative(trash->folder()));
    } catch (const PlatformError&) {
        throw Failure("Not in the Trash: " + pair.trashPath);
    }
    const std::string name = place.filename().native();
    // Another item that took the name since is not this removal's.
    const auto present = from->itemIdentity(name);
    if (!present || (pair.trashItem && !present->isSameObject(*pair.trashItem))) {
        return false;
    }

    std::error_code error;
    fs::create_directories(former.parent_path(), error);
    if (error) {
        throw Failure(failureLine(
            former, PlatformError::fromErrno(error.value(), "create the folder", former.parent_path())));
    }
    try {
        const OpenFolder& to = folders.open(resolver.resolved(former.parent_path()));
        if (to.itemIdentity(former.filename().native())) {
            throw Failure("Already exists: " + pair.originalPath);
        }
        from->moveWithoutReplacing(name, to, former.filename().native());
    } catch (const PlatformError& failure) {
        // Something took the place between the look and the move: it is kept, the item stays in the Trash.
        if (failure.hasCode(PlatformError::posixDomain, EEXIST)) {
            throw Failure("Already exists: " + pair.originalPath);
        }
        throw Failure(failureLine(former, failure));
    }
    trash->itemWasRestored(place);
    AdministratorBatch::removeIfEmpty(place.parent_path(), *trash);
    return true;
}

} // namespace tarnwick
