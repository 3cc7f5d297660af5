#pragma once

#include "cli/CommandContext.h"

namespace tarnwick {

// `tarnwick-cli leftovers`: what applications that are no longer installed left in the Library folders.
namespace LeftoversCommand {

int run(CommandContext& context);

} // namespace LeftoversCommand
} // namespace tarnwick
