#pragma once

#include "cli/CommandContext.h"

namespace tarnwick {

// `tarnwick-cli apps`: the installed applications with their sizes.
namespace AppsCommand {

int run(CommandContext& context);

} // namespace AppsCommand
} // namespace tarnwick
