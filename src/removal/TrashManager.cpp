#include "removal/TrashManager.h"

#include "platform/FileOperations.h"
#include "platform/Location.h"
#include "platform/PlatformError.h"
#include "platform/Text.h"
#include "removal/AdminScript.h"
#include "removal/FreedesktopTrash.h"
#include "removal/MacTrash.h"
#include "removal/PathSafety.h"
#include "removal/TrashError.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <unistd.h>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view batchFolderPrefix = "Tarnwick-";
// Keeps the batch folder's name, with its identifier, within what a file system allows.
constexpr std::size_t longestSafeName = 128;
constexpr std::string_view unrecorded =
    "This removal could not be written to the removal history, so Tarnwick cannot put its items back. "
    "They are in the Trash.";
constexpr std::string_view authorizationFailed = "Administrator authorization was cancelled or failed.";

std::unique_ptr<Trash> trashFor(const Platform& platform) {
    if (platform.layout() == FolderLayout::macOS) {
        return std::make_unique<MacTrash>(platform.home() / ".Trash");
    }
    return std::make_unique<FreedesktopTrash>(platform.applicationSupportFolder() / "Trash");
}

bool isPermissionError(const PlatformError& error) {
    return error.hasCode(PlatformError::cocoaDomain, 513) || error.hasCode(PlatformError::cocoaDomain, 257) ||
           error.hasCode(PlatformError::posixDomain, EACCES) ||
           error.hasCode(PlatformError::posixDomain, EPERM);
}

// "<name>: <description>", the line a failed item adds to the error.
std::string failureLine(const fs::path& location, const std::exception& error) {
    return Location::lastComponent(location) + ": " + error.what();
}

// Letters, digits, ".", "_", " " and "-" stay; every other character, whatever its length in bytes,
// becomes one "_".
std::string safeFolderName(std::string_view name) {
    std::string result;
    for (std::size_t index = 0; index < name.size();) {
        const char byte = name[index];
        const bool kept = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                          (byte >= '0' && byte <= '9') || byte == '.' || byte == '_' || byte == ' ' ||
                          byte == '-';
        if (result.size() == longestSafeName) {
            break;
        }
        result += kept ? byte : '_';
        // Skip the continuation bytes of a multi-byte character.
        do {
            ++index;
        } while (index < name.size() && (static_cast<unsigned char>(name[index]) & 0xC0) == 0x80);
    }
    return result;
}

RemovalRecord::Date now() {
    return std::chrono::time_point_cast<RemovalRecord::Date::duration>(std::chrono::system_clock::now());
}

} // namespace

TrashManager::TrashManager(const Platform& platform)
    : TrashManager(platform, trashFor(platform), AdminRunner::forThisSystem()) {}

TrashManager::TrashManager(const Platform& platform, std::unique_ptr<Trash> trash,
                           std::unique_ptr<AdminRunner> admin)
    : platform_(platform)
    , trash_(std::move(trash))
    , admin_(std::move(admin))
    , history_(HistoryFile::defaultLocation(platform)) {
    std::error_code ignored;
    fs::create_directories(history_.location().parent_path(), ignored);
}

void TrashManager::checkRemoval(const InstalledApp& app, const std::vector<ResidualItem>& items) const {
    if (items.empty()) {
        throw TrashError::nothingSelected();
    }
    if (app.isSystem) {
        throw TrashError::systemApplication();
    }
    const fs::path systemFolder = platform_.system("/System");
    for (const ResidualItem& item : items) {
        if (Location::contains(systemFolder, item.url)) {
            throw TrashError::systemApplication();
        }
    }
    const PathSafety safety(platform_, app, ownFolders());
    for (const ResidualItem& item : items) {
        safety.validate(item.url);
    }
}

RemovalRecord TrashManager::remove(const InstalledApp& app, const std::vector<ResidualItem>& items) {
    checkRemoval(app, items);

    // Deeper items go first, so that a folder is still there for everything taken out of it.
    struct Ordered {
        const ResidualItem* item;
        std::size_t length;
    };
    std::vector<Ordered> ordered;
    for (const ResidualItem& item : items) {
        ordered.push_back({&item, Text::characterCount(item.url.string())});
    }
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const Ordered& left, const Ordered& right) { return left.length > right.length; });

    std::vector<TrashPair> moved;
    std::vector<std::string> failures;
    std::vector<fs::path> deferred;
    for (const Ordered& entry : ordered) {
        const ResidualItem* item = entry.item;
        if (!FileOperations::exists(item->url)) {
            continue;
        }
        try {
            const fs::path destination = trash_->moveToTrash(item->url);
            moved.push_back({item->url.string(), destination.string()});
        } catch (const PlatformError& error) {
            if (isPermissionError(error)) {
                deferred.push_back(item->url);
            } else {
                failures.push_back(failureLine(item->url, error));
            }
        } catch (const std::exception& error) {
            failures.push_back(failureLine(item->url, error));
        }
    }
    RemovalRecord record{Uuid::random(), app.name, now(), std::move(moved), totalSize(items)};
    // What moved so far is recorded before the administrator prompt, which may stay open for long or
    // end with the process.
    bool recorded = record.items.empty() || appendHistory(record);
    if (!deferred.empty()) {
        AdministratorMove administrator = moveWithAdministratorPrivileges(deferred, app.name);
        failures.insert(failures.end(), administrator.failureLines.begin(), administrator.failureLines.end());
        if (!administrator.moved.empty()) {
            const bool wasRecorded = !record.items.empty() && recorded;
            record.items.insert(record.items.end(), administrator.moved.begin(), administrator.moved.end());
            record.date = now();
            recorded = (wasRecorded && replaceInHistory(record)) || appendHistory(record);
        }
    }
    if (!recorded) {
        failures.emplace_back(unrecorded);
    }
    if (!failures.empty()) {
        const bool inHistory = recorded && !record.items.empty();
        throw TrashError::partial(std::move(failures), inHistory ? std::optional(record.id) : std::nullopt);
    }
    return record;
}

TrashManager::AdministratorMove
TrashManager::moveWithAdministratorPrivileges(const std::vector<fs::path>& items,
                                              const std::string& appName) {
    const fs::path batch = administratorTrash() / (std::string(batchFolderPrefix) + safeFolderName(appName) +
                                                   "-" + Uuid::random().string());
    try {
        FileOperations::createFolder(batch);
    } catch (const PlatformError& error) {
        return {{}, {error.message()}};
    }
    std::vector<TrashPair> pairs;
    std::string command;
    for (std::size_t index = 0; index < items.size(); ++index) {
        const fs::path destination =
            batch / (std::to_string(index) + "-" + Location::lastComponent(items[index]));
        pairs.push_back({items[index].string(), destination.string()});
        command += (index == 0 ? "" : " && ") +
                   AdminScript::moveCommand(pairs.back().originalPath, pairs.back().trashPath);
    }
    AdminRunner::Outcome outcome;
    try {
        outcome = admin_->run(AdminScript::source(command));
    } catch (const std::exception& error) {
        // Whatever went wrong, what already moved must still be recorded below.
        outcome = {false, error.what()};
    }
    if (outcome.succeeded) {
        return {std::move(pairs), {}};
    }
    // The chain stops at the first failing move; what it moved before lies in the batch folder and stays
    // there, recorded, so that it can be put back. Only an empty batch folder goes.
    std::vector<TrashPair> moved;
    std::copy_if(pairs.begin(), pairs.end(), std::back_inserter(moved),
                 [](const TrashPair& pair) { return FileOperations::exists(pair.trashPath); });
    ::rmdir(batch.c_str());
    const std::string message =
        outcome.errorMessage.empty() ? std::string(authorizationFailed) : outcome.errorMessage;
    return {std::move(moved), {TrashError::partial({message}).what()}};
}

bool TrashManager::appendHistory(const RemovalRecord& record) {
    return history_.update([&record](std::vector<RemovalRecord>& records) {
        records.insert(records.begin(), record);
        if (records.size() > historyLimit) {
            records.resize(historyLimit);
        }
    });
}

bool TrashManager::replaceInHistory(const RemovalRecord& record) {
    bool found = false;
    const bool written = history_.update([&](std::vector<RemovalRecord>& records) {
        for (RemovalRecord& stored : records) {
            if (stored.id == record.id) {
                stored = record;
                found = true;
            }
        }
    });
    return written && found;
}

bool TrashManager::isInTrash(const fs::path& location) const {
    if (Location::standardized(location).native() != location.native()) {
        return false;
    }
    const std::vector<fs::path> folders = trashFolders();
    return std::any_of(folders.begin(), folders.end(),
                       [&location](const fs::path& folder) { return Location::contains(folder, location); });
}

std::vector<fs::path> TrashManager::trashFolders() const {
    return {trash_->folder(), administratorTrash()};
}

fs::path TrashManager::administratorTrash() const {
    return platform_.home() / ".Trash";
}

void TrashManager::removeEmptyBatchFolder(const fs::path& folder) const {
    if (folder.parent_path() == administratorTrash() &&
        folder.filename().string().starts_with(batchFolderPrefix)) {
        ::rmdir(folder.c_str()); // only ever removes an empty folder
    }
}

std::vector<fs::path> TrashManager::ownFolders() const {
    std::vector<fs::path> folders = trashFolders();
    folders.push_back(history_.location().parent_path());
    return folders;
}

std::vector<RemovalRecord> TrashManager::history() const {
    return history_.read();
}

void TrashManager::clearHistory() {
    history_.remove();
}

void TrashManager::removeRecord(const Uuid& id) {
    history_.update([&id](std::vector<RemovalRecord>& records) {
        std::erase_if(records, [&id](const RemovalRecord& record) { return record.id == id; });
    });
}

bool TrashManager::isRestorable(const RemovalRecord& record) const {
    return std::any_of(record.items.begin(), record.items.end(),
                       [](const TrashPair& pair) { return FileOperations::exists(pair.trashPath); });
}

void TrashManager::clearUnavailable() {
    history_.update([this](std::vector<RemovalRecord>& records) {
        std::erase_if(records, [this](const RemovalRecord& record) { return !isRestorable(record); });
    });
}

void TrashManager::restore(const RemovalRecord& record) {
    std::vector<std::string> failures;
    // Backwards: a folder comes back before the items that were taken out of it.
    for (auto pair = record.items.rbegin(); pair != record.items.rend(); ++pair) {
        const fs::path trashLocation(pair->trashPath);
        const fs::path former(pair->originalPath);
        if (!FileOperations::exists(trashLocation)) {
            continue;
        }
        // The history is a file anyone with the user's rights may edit: restore only takes things out of
        // the Trash, and only to a place named in full.
        if (!isInTrash(trashLocation)) {
            failures.push_back("Not in the Trash: " + pair->trashPath);
            continue;
        }
        if (!former.is_absolute() || Location::standardized(former).native() != former.native()) {
            failures.push_back("Not a place to restore to: " + pair->originalPath);
            continue;
        }
        std::error_code error;
        fs::create_directories(former.parent_path(), error);
        if (error) {
            failures.push_back(
                Location::lastComponent(former) + ": " +
                PlatformError::fromErrno(error.value(), "create the folder", former.parent_path()).message());
            continue;
        }
        if (FileOperations::exists(former)) {
            failures.push_back("Already exists: " + pair->originalPath);
            continue;
        }
        try {
            FileOperations::moveWithoutReplacing(trashLocation, former);
            trash_->itemWasRestored(trashLocation);
            removeEmptyBatchFolder(trashLocation.parent_path());
        } catch (const PlatformError& failure) {
            // Something took the place between the look and the move: it is kept, the item stays in the
            // Trash.
            if (failure.hasCode(PlatformError::posixDomain, EEXIST)) {
                failures.push_back("Already exists: " + pair->originalPath);
            } else {
                failures.push_back(failureLine(former, failure));
            }
        }
    }
    if (!failures.empty()) {
        throw TrashError::partial(std::move(failures));
    }
}

} // namespace tarnwick
