#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace tarnwick {

// What the administrator step is asked to do: move items the user may not move into one batch folder
// inside the user's Trash, never replacing anything.
struct AdminRequest {
    struct Move {
        std::filesystem::path source; // absolute, with no link on the way to its folder
        std::string batchName;        // its name in the batch folder: "<position>-<name>"
        friend bool operator==(const Move&, const Move&) = default;
    };

    uid_t owner = 0;                   // the user who asked: the Trash and the batch folder must be theirs
    std::filesystem::path trashFolder; // absolute, with no link on the way
    std::string batchFolderName;       // "Tarnwick-<app>-<identifier>"
    std::vector<Move> moves;

    friend bool operator==(const AdminRequest&, const AdminRequest&) = default;
};

// What became of one move of the request.
struct AdminItemOutcome {
    enum class Result { moved, missing, failed };
    Result result = Result::failed;
    std::string message; // why it failed; empty otherwise

    friend bool operator==(const AdminItemOutcome&, const AdminItemOutcome&) = default;
};

// What the administrator step reported. `items` holds one outcome per move, in the order of the moves,
// when the step ran; a step that could not run (authorisation refused, helper missing) has none and
// says why in `errorMessage` (empty when the system said nothing worth showing).
struct AdminOutcome {
    bool ran = false;
    std::string errorMessage;
    std::vector<AdminItemOutcome> items;
};

} // namespace tarnwick
