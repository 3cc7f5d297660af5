#pragma once

#include "platform/ChildProcess.h"
#include "support/MacDisk.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tarnwick::testing {

using ProcessResult = ChildProcess::Result;

// Runs the built tarnwick-cli as a user would, with a fixed login name so that rooted trees find their home.
inline ProcessResult runCli(const std::vector<std::string>& arguments) {
    return ChildProcess::run(TARNWICK_CLI_PATH, arguments, {"USER=tester"});
}

// A Mac in a temporary folder that the command line looks at.
class CliTest : public MacDiskTest {
protected:
    // The command on this fixture's disk.
    ProcessResult run(std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin(), {"--root", root()});
        return runCli(arguments);
    }
    std::string root() const { return folder.path().string(); }
};

} // namespace tarnwick::testing
