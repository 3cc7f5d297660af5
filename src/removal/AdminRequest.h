#pragma once

#include "platform/Platform.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace tarnwick {

// What the administrator step is asked to do: move items the user may not move into one batch folder
// inside the user's Trash, or put such items back, never replacing anything. The helper that carries it
// out checks all of it for itself.
struct AdminRequest {
    enum class Action { moveToTrash, putBack };

    struct Move {
        // Moving to the Trash: the item's absolute path. Putting back: the place it is to go back to,
        // which must be where the helper itself recorded taking it from.
        std::filesystem::path path;
        std::string batchName; // the item's name in the batch folder: "<position>-<name>"
        friend bool operator==(const Move&, const Move&) = default;
    };

    // Where the asker's files are. Only a helper that has no rights beyond the asker's believes these
    // (the tests, or someone running it by hand); one with more works them out from the system itself.
    struct Places {
        std::filesystem::path home;
        std::filesystem::path temporary;  // the per-user temporary folder; empty when unknown
        std::filesystem::path systemRoot; // empty: the running system
        FolderLayout layout = FolderLayout::macOS;
        std::filesystem::path homeTrash; // the Trash of the home, as TrashLocation gives it
        std::filesystem::path ledger;    // where the helper records what it moved
        friend bool operator==(const Places&, const Places&) = default;
    };

    Action action = Action::moveToTrash;
    pid_t parent = 0;               // the process waiting for the answer: the helper stops once it is gone
    std::filesystem::path lockFile; // the helper holds it while it may move anything
    uid_t owner = 0;                // the user who asked: the Trash and the batch folder must be theirs
    Places places;
    std::filesystem::path trashFolder; // the Trash the batch folder is in
    std::string batchFolderName;       // "Tarnwick-<app>-<identifier>"
    std::vector<Move> moves;

    friend bool operator==(const AdminRequest&, const AdminRequest&) = default;
};

// What became of one move of the request.
struct AdminItemOutcome {
    enum class Result { moved, missing, failed };
    Result result = Result::failed;
    std::string message; // why it failed; empty otherwise
    // The label of the daemon whose list this item is: stopped before it moved to the Trash, or started
    // again once it was put back. Empty when the helper did neither.
    std::string job{};
    // What else the user is to know of the item: a daemon that could not be stopped or started again.
    std::vector<std::string> notes{};

    friend bool operator==(const AdminItemOutcome&, const AdminItemOutcome&) = default;
};

// What the administrator step reported. `items` holds one outcome per move, in the order of the moves,
// when the step ran; a step that could not run (authorisation refused, helper missing) has none and
// says why in `errorMessage` (empty when the system said nothing worth showing).
struct AdminOutcome {
    // Why a step did not run when the system said nothing worth showing.
    static constexpr std::string_view notRunMessage = "Administrator authorization was cancelled or failed.";

    // `errorMessage`, or `notRunMessage` when it is empty.
    std::string reasonNotRun() const {
        return errorMessage.empty() ? std::string(notRunMessage) : errorMessage;
    }

    bool ran = false;
    std::string errorMessage;
    std::vector<AdminItemOutcome> items;
};

} // namespace tarnwick
