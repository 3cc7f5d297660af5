#pragma once

#include "platform/FolderCache.h"
#include "platform/Platform.h"
#include "removal/AdminRunner.h"
#include "removal/HistoryService.h"
#include "removal/LaunchJobs.h"
#include "removal/RemovalRecord.h"
#include "removal/RestoreOutcome.h"
#include "removal/Trashes.h"

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace tarnwick {

// Puts the items of one removal back where they were: only from the Trash, only what the removal put
// there (a later item that took the same name stays), through no link on the Trash side and none but the
// system's own on the way back, and never over anything. What only the administrator step could take
// out goes back through it, after one authorisation.
class Restore {
public:
    Restore(const Platform& platform, Trashes& trashes, HistoryService& history, AdminRunner& admin,
            LaunchJobs& launchJobs);

    // Folders come back before what was taken out of them. While it runs the record is marked, and once
    // nothing of it is left in the Trash it is restored. Says what came back and, one line each, what
    // stayed and why. Throws TrashError before anything moves: `alreadyRestoring` when another restore of
    // the record runs.
    RestoreOutcome run(const RemovalRecord& record);

private:
    enum class Result { putBack, notInTrash, needsAdministrator };
    using Deferred = std::pair<const TrashPair*, Trash*>;

    // Puts one item back, or leaves it to the administrator step: the list of a daemon it moved always.
    // Throws the failure line.
    Result putBack(const TrashPair& pair, FolderCache& folders, const std::set<std::string>& laterPlaces,
                   Trash*& trash, bool isDaemonList);
    void administrator(const std::vector<Deferred>& deferred, const Uuid& id, RestoreOutcome& outcome);

    Platform platform_;
    Trashes& trashes_;
    HistoryService& history_;
    AdminRunner& admin_;
    LaunchJobs& launchJobs_;
};

} // namespace tarnwick
