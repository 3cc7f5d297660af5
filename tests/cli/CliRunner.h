#pragma once

#include "platform/ChildProcess.h"

#include <string>
#include <vector>

namespace tarnwick::testing {

using ProcessResult = ChildProcess::Result;

// Runs the built tarnwick-cli as a user would, with a fixed login name so that rooted trees find their home.
inline ProcessResult runCli(const std::vector<std::string>& arguments) {
    return ChildProcess::run(TARNWICK_CLI_PATH, arguments, {"USER=tester"});
}

} // namespace tarnwick::testing
