#pragma once

#include "platform/ChildProcess.h"

#include <string>
#include <vector>

namespace tarnwick::testing {

using ProcessResult = ChildProcess::Result;

// Runs a program to completion with the given arguments (no shell), capturing both output streams.
// `environment` entries ("NAME=value") are added to the current environment.
inline ProcessResult runProcess(const std::string& program, const std::vector<std::string>& arguments,
                                const std::vector<std::string>& environment = {}) {
    return ChildProcess::run(program, arguments, environment);
}

} // namespace tarnwick::testing
