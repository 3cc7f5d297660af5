#pragma once

#include "support/Process.h"

#include <string>
#include <vector>

namespace tarnwick::testing {

// Runs the built tarnwick-cli as a user would, with a fixed login name so that rooted trees find their home.
inline ProcessResult runCli(const std::vector<std::string>& arguments) {
    return runProcess(TARNWICK_CLI_PATH, arguments, {"USER=tester"});
}

} // namespace tarnwick::testing
