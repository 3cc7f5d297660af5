#pragma once

#include "catalogue/InstalledApp.h"
#include "cli/ProgressLine.h"
#include "platform/Platform.h"

#include <exception>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
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
    // The global options that name the system looked at ("--demo" or "--root DIR", then "--user NAME" if
    // given, or none), so that a command the program suggests acts on the same one.
    std::vector<std::string> systemArguments{};

    // The real system, a Mac disk mounted at `root`, or the demo tree (built on first use); on a disk or
    // the demo, the home of `user` when one is named. A UsageError when the home cannot be told.
    static CommandContext make(const std::string& root, bool demo, const std::string& user, bool json,
                               std::ostream& out, ProgressLine& progress);

    // A command line to suggest to the user, ready to paste into a shell: "tarnwick-cli", the system
    // arguments, then `arguments`, each quoted where the shell needs it (as $'...' with escapes when it
    // holds what a terminal would act on).
    std::string commandLine(const std::vector<std::string>& arguments) const;

    // Every installed application, sorted by name, with sizes if asked; the search and the measuring
    // show on the progress line.
    std::vector<InstalledApp> installedApps(bool withSizes = false);

    // The application named on the command line (see AppCatalogue::find); a UsageError that lists the
    // candidates when no single one fits.
    InstalledApp findApp(const std::vector<InstalledApp>& installed, const std::string& query) const;
};

// The message of a failure as standard error shows it: what it quotes from disk escaped (Text::printable),
// its own line breaks kept. A UsageError is shown as written: its text escapes what it quotes.
std::string printableMessage(const std::exception& error);

// The result of a scan run by a command. Nothing here ever requests a stop, so every scan completes.
template <typename Result> Result completed(std::optional<Result> result) {
    return std::move(result).value();
}

} // namespace tarnwick
