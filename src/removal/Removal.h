#pragma once

#include "catalogue/InstalledApp.h"
#include "catalogue/RemovalPolicy.h"
#include "platform/FolderCache.h"
#include "platform/OpenFolder.h"
#include "platform/Platform.h"
#include "removal/AdminRunner.h"
#include "removal/HistoryService.h"
#include "removal/LaunchJobs.h"
#include "removal/RemovalOutcome.h"
#include "removal/RemovalPart.h"
#include "removal/RemovalRecord.h"
#include "removal/TrashError.h"
#include "removal/Trashes.h"
#include "residuals/ResidualItem.h"

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// Moves an application and the chosen leftovers to the Trash. Before the first move the removal's record,
// with the place every item will take in the Trash, is in the history, so that however the removal
// ends the way back is known. Each item is checked again, and moved, through its folder held open: what
// is checked is what moves. Items the user may not move go to the administrator step together.
class Removal {
public:
    Removal(const Platform& platform, Trashes& trashes, HistoryService& history, AdminRunner& admin,
            LaunchJobs& launchJobs);

    // The refusals that come before anything moves: nothing selected, a system application, an item
    // under /System/, an unsafe path, an item no Trash can take. Throws TrashError.
    void check(const InstalledApp& app, const std::vector<ResidualItem>& items) const;
    // The first of those refusals, which need no look at the disk: nothing selected, a system application,
    // an item under /System/.
    std::optional<TrashError> refusal(const InstalledApp& app, const std::vector<ResidualItem>& items) const;

    // Moves exactly the given items, deepest first, and says what moved and what could not. Throws
    // TrashError for a refusal, or a history that cannot be written, before anything moved.
    RemovalOutcome run(const InstalledApp& app, const std::vector<ResidualItem>& items);
    // Removes several applications, each with a record of its own, in the order given: every part is
    // checked and every record written ahead before the first move, so that a removal cut short anywhere
    // leaves each application its way back. One outcome per part. Throws TrashError for a refusal of any
    // part, or a history that cannot be written, before anything moved.
    std::vector<RemovalOutcome> run(const std::vector<RemovalPart>& parts);

private:
    // "<path as the user knows it>: <why>", the line a failed item adds to the error.
    std::string failureLine(const std::filesystem::path& location, std::string_view description) const;

    // One item's planned move.
    struct Move {
        std::filesystem::path item;   // as given
        std::filesystem::path folder; // the item's folder, resolved
        std::string name;
        ItemIdentity identity;
        Trash* trash = nullptr;
        std::filesystem::path place{};
    };
    enum class Result { moved, vanished, deferred, failed };

    // `planned`: the places in the Trash other moves of the same removal take.
    std::vector<Move> plan(const InstalledApp& app, const std::vector<ResidualItem>& items,
                           std::set<std::filesystem::path>& planned) const;
    // Moves a part whose record is written ahead, and finishes its record.
    RemovalOutcome carryOut(const InstalledApp& app, std::vector<Move>& moves, RemovalRecord& record);
    RemovalPolicy policy(const InstalledApp& app) const;
    // The Trash for an item in `folder` on `mount`; TrashError when it cannot take the item.
    Trash& usableTrash(const std::filesystem::path& folder, const MountIdentity& mount,
                       const std::filesystem::path& item) const;
    // The resolved path of `location`; TrashError::unsafePath when the policy refuses it.
    static std::filesystem::path checked(const RemovalPolicy& policy, const std::filesystem::path& location);
    Result perform(Move& move, const RemovalPolicy& policy, FolderCache& folders, RemovalRecord& record,
                   std::vector<Move>& moves, std::vector<std::string>& failures);
    void administrator(std::vector<Move*>& deferred, const std::string& appName, RemovalRecord& record,
                       std::vector<Move>& moves, std::vector<TrashPair>& moved,
                       std::vector<std::string>& failures);
    static TrashPair pairOf(const Move& move);
    // Writes the planned moves into the record before they happen; TrashError::historyUnwritable when it
    // cannot.
    void writeAhead(RemovalRecord& record, const std::vector<Move>& moves);

    Platform platform_;
    Trashes& trashes_;
    HistoryService& history_;
    AdminRunner& admin_;
    LaunchJobs& launchJobs_;
};

} // namespace tarnwick
