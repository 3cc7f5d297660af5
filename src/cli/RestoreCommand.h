#pragma once

#include "cli/CommandContext.h"

#include <string>

namespace tarnwick {

// `tarnwick-cli restore ID`: puts the items of one removal back where they were.
namespace RestoreCommand {

int run(CommandContext& context, const std::string& identifier);

} // namespace RestoreCommand
} // namespace tarnwick
