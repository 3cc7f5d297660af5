#pragma once

#include "CommandContext.h"

#include <string>

namespace tarnwick {

// `tarnwick-cli scan APP`: what an application leaves behind, grouped as the window shows it.
namespace ScanCommand {

int run(CommandContext& context, const std::string& application);

} // namespace ScanCommand
} // namespace tarnwick
