#pragma once

#include "cli/CommandContext.h"

#include <string>
#include <vector>

namespace tarnwick {

// `tarnwick-cli remove APP…`: moves applications and their leftovers to the Trash, after asking, and
// records each application's removal so that `restore` can undo it. What still runs from them is asked
// to quit first.
namespace RemoveCommand {

struct Options {
    std::vector<std::string> applications;
    // Paths of findings of the scans to remove instead of the preselected ones.
    std::vector<std::string> items;
    bool dryRun = false;
    // Moves without asking; required when there is no terminal to ask on.
    bool yes = false;
    // Asks what runs from the applications to quit without a question.
    bool quit = false;
    // Also forces what does not quit when asked, without a question.
    bool forceQuit = false;
};

int run(CommandContext& context, const Options& options);

} // namespace RemoveCommand
} // namespace tarnwick
