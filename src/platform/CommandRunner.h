#pragma once

#include "platform/ChildProcess.h"

#include <memory>
#include <string>
#include <vector>

namespace tarnwick {

// Runs a program of the system with its arguments as arguments, never as shell text. Callers take it
// rather than start programs themselves, so that tests can see what would run without running it.
class CommandRunner {
public:
    virtual ~CommandRunner() = default;

    // Throws a PlatformError when the program cannot be started.
    virtual ChildProcess::Result run(const std::string& program,
                                     const std::vector<std::string>& arguments) = 0;

    // The runner that starts programs for real.
    static std::unique_ptr<CommandRunner> system();
};

} // namespace tarnwick
