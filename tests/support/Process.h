#pragma once

#include <string>
#include <vector>

namespace tarnwick::testing {

struct ProcessResult {
    int status = -1;  // exit status; -1 when the process did not exit normally
    std::string out;
    std::string err;
};

// Runs a program to completion with the given arguments (no shell), capturing both output streams.
// `environment` entries ("NAME=value") are added to the current environment.
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment = {});

} // namespace tarnwick::testing
