#pragma once

#include "catalogue/InstalledApp.h"
#include "cli/CommandContext.h"

#include <nlohmann/json.hpp>

namespace tarnwick {

// `tarnwick-cli apps`: the installed applications with their sizes.
namespace AppsCommand {

int run(CommandContext& context);

// {"path", "name", "bundleID", "version", "size" (bytes; 0 when unknown), "isSystem"}.
nlohmann::ordered_json appJson(const InstalledApp& app);

} // namespace AppsCommand
} // namespace tarnwick
