#pragma once

#include "catalogue/InstalledApp.h"
#include "cli/CommandContext.h"
#include "residuals/ResidualItem.h"

#include <string>
#include <vector>

namespace tarnwick {

// `tarnwick-cli scan APP`: what an application leaves behind, grouped as the window shows it.
namespace ScanCommand {

int run(CommandContext& context, const std::string& application);

// What `app` left behind, as `scan` lists it; `installed` decides what is shared with other applications.
std::vector<ResidualItem> findings(CommandContext& context, const std::vector<InstalledApp>& installed,
                                   const InstalledApp& app);

} // namespace ScanCommand
} // namespace tarnwick
