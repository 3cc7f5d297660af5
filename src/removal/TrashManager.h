#pragma once

#include "catalogue/InstalledApp.h"
#include "platform/Platform.h"
#include "removal/AdminRunner.h"
#include "removal/HistoryService.h"
#include "removal/LaunchJobs.h"
#include "removal/RemovalOutcome.h"
#include "removal/RemovalPart.h"
#include "removal/RemovalRecord.h"
#include "removal/RestoreOutcome.h"
#include "removal/Trash.h"
#include "removal/TrashError.h"
#include "removal/Trashes.h"
#include "residuals/ResidualItem.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace tarnwick {

class Removal;
class Restore;

// Moves applications and their leftovers to the Trash, remembers every removal in the history file and
// puts removed items back. Nothing is ever deleted: an item lands in the Trash or stays where it was,
// and a restore never replaces anything. The one object the front ends talk to; the work is done by
// the removal, the restore and the history service behind it.
class TrashManager {
public:
    // The most records the history keeps; older ones are dropped (their items stay in the Trash).
    static constexpr std::size_t historyLimit = HistoryService::limit;

    // The Trash and administrator step of this system: the macOS Trash with the macOS layout (on a Mac
    // and whenever a root is set), the freedesktop Trash otherwise.
    explicit TrashManager(const Platform& platform);
    // `commands` runs launchctl for the launch jobs of the chosen property lists; `rootIsRunningSystem`
    // takes the folders under the platform's root for those launchd runs jobs from (tests).
    TrashManager(const Platform& platform, std::unique_ptr<Trash> homeTrash,
                 std::unique_ptr<AdminRunner> admin,
                 std::unique_ptr<CommandRunner> commands = LaunchJobs::runnerForThisSystem(),
                 bool rootIsRunningSystem = false);
    ~TrashManager();
    TrashManager(const TrashManager&) = delete;
    TrashManager& operator=(const TrashManager&) = delete;

    const std::filesystem::path& historyURL() const { return history_.location(); }
    const Platform& platform() const { return platform_; }

    // The refusals that come before anything moves: nothing selected, a system application, an item
    // under /System/, an unsafe path, an item no Trash can take. Throws TrashError.
    void checkRemoval(const InstalledApp& app, const std::vector<ResidualItem>& items) const;
    // The first of those refusals, which need no look at the disk: nothing selected, a system application,
    // an item under /System/.
    std::optional<TrashError> refusal(const InstalledApp& app, const std::vector<ResidualItem>& items) const;

    // Moves exactly the given items (the bundle only when it is one of them), deepest first, records what
    // moved and says what could not. Items the user may not move go through the administrator step. Throws
    // TrashError for a refusal before anything moved.
    RemovalOutcome remove(const InstalledApp& app, const std::vector<ResidualItem>& items);
    // Removes several applications in one go, each with its own record, all written before the first
    // move. One outcome per part, in the order given.
    std::vector<RemovalOutcome> remove(const std::vector<RemovalPart>& parts);

    // The launchd jobs of the property lists among `items`, which the removal stops before they move.
    std::vector<LaunchJob> launchJobs(const std::vector<ResidualItem>& items) const;

    // Puts the record's items back, folders before what was taken out of them, never over anything, and
    // says what came back and what stayed in the Trash.
    RestoreOutcome restore(const RemovalRecord& record);

    // The records, newest first, once interrupted removals are completed; `openHistory` also tells what
    // could not be read and where it was kept aside.
    std::vector<RemovalRecord> history();
    HistoryService::Listing openHistory();
    // The records whose identifier begins with `prefix`, in any letter case, without reading the others.
    std::vector<RemovalRecord> historyStartingWith(std::string_view prefix);
    HistoryFile::Outcome clearHistory();
    HistoryFile::Outcome removeRecord(const Uuid& id);
    // Whether anything of the record is still in the Trash, as the removal left it.
    bool isRestorable(const RemovalRecord& record) const;
    // Forgets every record that has nothing left in the Trash.
    HistoryFile::Outcome clearUnavailable();

private:
    Platform platform_;
    Trashes trashes_;
    std::unique_ptr<AdminRunner> admin_;
    std::unique_ptr<CommandRunner> commands_;
    LaunchJobs launchJobs_;
    HistoryService history_;
    std::unique_ptr<Removal> removal_;
    std::unique_ptr<Restore> restore_;
};

} // namespace tarnwick
