#include "cli/AppsCommand.h"
#include "cli/CommandContext.h"
#include "cli/HistoryCommand.h"
#include "cli/IdentityCommand.h"
#include "cli/LeftoversCommand.h"
#include "cli/RemoveCommand.h"
#include "cli/RestoreCommand.h"
#include "cli/ScanCommand.h"
#include "platform/Executor.h"
#include "platform/Text.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>

namespace {

constexpr int usageStatus = 2;

int usageFailure(const std::string& message) {
    std::cerr << "tarnwick-cli: " << message << "\nRun 'tarnwick-cli --help' for usage.\n";
    return usageStatus;
}

} // namespace

int main(int argc, char** argv) {
    using namespace tarnwick;
    // Most of the command's background work waits for the disk; no window needs a core kept free.
    Executor::configureShared(Executor::forCommandLine());

    CLI::App cli{"Tarnwick finds what applications leave behind and moves it to the Trash, reversibly.",
                 "tarnwick-cli"};
    cli.fallthrough(); // global options may also follow the command name
    cli.require_subcommand(1);

    std::string root;
    std::string user;
    bool demo = false;
    bool json = false;
    cli.add_option("--root", root, "Look at a Mac disk mounted at DIR instead of this system")
        ->option_text("DIR");
    cli.add_option("--user", user,
                   "With --root or --demo: use the home of this user (a folder in Users) on that disk")
        ->option_text("NAME");
    cli.add_flag("--demo", demo, "Look at the built-in demo tree (built on first use)");
    cli.add_flag("--json", json, "Print results as JSON");

    auto* apps = cli.add_subcommand("apps", "List the installed applications with their sizes");
    std::string application;
    auto* identity =
        cli.add_subcommand("identity", "Show the team and entitlement identifiers of an application");
    identity
        ->add_option("APP", application,
                     "Path of an .app bundle, or the name or bundle identifier of an installed application")
        ->required();
    auto* scan = cli.add_subcommand("scan", "Show what an application leaves behind");
    scan->add_option("APP", application,
                     "Path of an .app bundle, or the name or bundle identifier of an installed application")
        ->required();
    auto* leftovers = cli.add_subcommand(
        "leftovers", "List what applications that are no longer installed left in the Library folders");

    RemoveCommand::Options removal;
    auto* remove = cli.add_subcommand(
        "remove", "Move applications and what they left behind to the Trash (preselected items by default)");
    remove
        ->add_option("APP", removal.applications,
                     "Paths of .app bundles, or names or bundle identifiers of installed applications")
        ->required();
    remove
        ->add_option("--item", removal.items,
                     "Move this item found by 'scan' instead of the preselected ones (repeatable)")
        ->option_text("PATH")
        ->allow_extra_args(false); // one path per --item, so that APP is never taken for one
    remove->add_flag("--dry-run", removal.dryRun, "Show what would be moved, and move nothing");
    remove->add_flag("-y,--yes", removal.yes, "Move without asking (required without a terminal)");
    remove->add_flag("--quit", removal.quit,
                     "Ask what runs from the applications to quit, without a question");
    remove->add_flag("--force-quit", removal.forceQuit,
                     "Ask them to quit, and force what does not, without a question (unsaved work is lost)");

    HistoryCommand::Options historyOptions;
    auto* history = cli.add_subcommand("history", "List the removals that can be undone, newest first");
    history->require_subcommand(0, 1);
    history->add_flag("-v,--verbose", historyOptions.verbose,
                      "Show every moved item and its place in the Trash");
    auto* clearHistory =
        history->add_subcommand("clear", "Forget every removal (what they moved stays in the Trash)");
    auto* forget = history->add_subcommand("forget", "Forget one removal (what it moved stays in the Trash)");
    forget->add_option("ID", historyOptions.identifier, "The removal's ID, or its first 8 or more characters")
        ->required();
    auto* clearUnavailable = history->add_subcommand(
        "clear-unavailable", "Forget the removals that have nothing left in the Trash");

    std::string restoreID;
    auto* restore = cli.add_subcommand("restore", "Put the items of a removal back where they were");
    restore->add_option("ID", restoreID, "The removal's ID, or its first 8 or more characters")->required();

    try {
        cli.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return cli.exit(help);
    } catch (const CLI::CallForAllHelp& help) {
        return cli.exit(help);
    } catch (const CLI::ParseError& error) {
        // A misspelt command is left over as an argument; name it rather than ask for a command.
        if (const auto leftover = cli.remaining(); !leftover.empty() && !leftover.front().starts_with("-")) {
            return usageFailure("unknown command '" + Text::printable(leftover.front()) + "'");
        }
        return usageFailure(Text::printable(error.what()));
    }

    const auto run = [&](CommandContext& context) {
        if (apps->parsed()) {
            return AppsCommand::run(context);
        }
        if (identity->parsed()) {
            return IdentityCommand::run(context, application);
        }
        if (scan->parsed()) {
            return ScanCommand::run(context, application);
        }
        if (leftovers->parsed()) {
            return LeftoversCommand::run(context);
        }
        if (remove->parsed()) {
            return RemoveCommand::run(context, removal);
        }
        if (history->parsed()) {
            historyOptions.action = clearHistory->parsed()       ? HistoryCommand::Action::clear
                                    : forget->parsed()           ? HistoryCommand::Action::forget
                                    : clearUnavailable->parsed() ? HistoryCommand::Action::clearUnavailable
                                                                 : HistoryCommand::Action::list;
            return HistoryCommand::run(context, historyOptions);
        }
        if (restore->parsed()) {
            return RestoreCommand::run(context, restoreID);
        }
        return usageFailure("no command given");
    };

    int status = 1;
    try {
        ProgressLine progress;
        CommandContext context = CommandContext::make(root, demo, user, json, std::cout, progress);
        status = run(context);
    } catch (const UsageError& error) {
        return usageFailure(error.what());
    } catch (const std::exception& error) {
        std::cerr << "tarnwick-cli: " << printableMessage(error) << '\n';
        return 1;
    }
    // A result that did not reach its reader is no success: a full disk or a closed pipe must show.
    if (!std::cout.flush()) {
        std::cerr << "tarnwick-cli: The output could not be written (" << std::strerror(errno) << ").\n";
        return 1;
    }
    return status;
}
