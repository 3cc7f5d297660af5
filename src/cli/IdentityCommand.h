#pragma once

#include "cli/CommandContext.h"

#include <string>

namespace tarnwick {

// `tarnwick-cli identity APP`: the team and entitlement identifiers of an application's signature.
namespace IdentityCommand {

int run(CommandContext& context, const std::string& application);

} // namespace IdentityCommand
} // namespace tarnwick
