#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tarnwick {

// Runs another program to its end, without a shell, and collects what it printed.
namespace ChildProcess {

struct Result {
    int status = -1; // exit status; -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// `environment` entries ("NAME=value") are added to this process's environment. Standard input is
// empty. Throws a PlatformError when the program cannot be started.
Result run(const std::string& program, const std::vector<std::string>& arguments,
           const std::vector<std::string>& environment = {});

// The absolute path of the running program's executable, links resolved. Throws a PlatformError when the
// system does not say.
std::filesystem::path thisProgram();

} // namespace ChildProcess
} // namespace tarnwick
