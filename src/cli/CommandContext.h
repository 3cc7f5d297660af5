#pragma once

#include "cli/ProgressLine.h"
#include "platform/Platform.h"

#include <filesystem>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarnwick {

// A mistake in how the command was called: printed with a hint to --help, exit status 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What every command works with: the system it looks at, the output form and the streams.
struct CommandContext {
    Platform platform;
    bool json = false;
    std::ostream& out;
    ProgressLine& progress;
    // The global options that name the system looked at ("--demo", "--root DIR" or none), so that a
    // command the program suggests acts on the same one.
    std::vector<std::string> systemArguments{};

    // The real system, a Mac disk mounted at `root`, or the demo tree (built on first use).
    static CommandContext make(const std::string& root, bool demo, bool json, std::ostream& out,
                               ProgressLine& progress);

    // A command line to suggest to the user, ready to paste into a shell: "tarnwick-cli", the system
    // arguments, then `arguments`, each quoted where the shell needs it.
    std::string commandLine(const std::vector<std::string>& arguments) const;
};

} // namespace tarnwick
