#pragma once

#include "cli/CommandContext.h"

#include <string>

namespace tarnwick {

// `tarnwick-cli history`: the removals that can be undone, newest first, and the upkeep of that list.
namespace HistoryCommand {

enum class Action {
    list,
    // Forgets every removal; what they moved stays in the Trash.
    clear,
    // Forgets one removal.
    forget,
    // Forgets the removals that have nothing left in the Trash.
    clearUnavailable,
};

struct Options {
    Action action = Action::list;
    std::string identifier; // of the removal to forget
    bool verbose = false;   // lists every moved item with its place in the Trash
};

int run(CommandContext& context, const Options& options);

} // namespace HistoryCommand
} // namespace tarnwick
