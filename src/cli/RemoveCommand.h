#pragma once

#include "cli/CommandContext.h"

#include <string>
#include <vector>

namespace tarnwick {

// `tarnwick-cli remove APP`: moves an application and its leftovers to the Trash, after asking, and
// records the removal so that `restore` can undo it.
namespace RemoveCommand {

struct Options {
    std::string application;
    // Paths of findings of the scan to remove instead of the preselected ones.
    std::vector<std::string> items;
    bool dryRun = false;
    // Moves without asking; required when there is no terminal to ask on.
    bool yes = false;
};

int run(CommandContext& context, const Options& options);

} // namespace RemoveCommand
} // namespace tarnwick
