#include "cli/RemoveCommand.h"

#include "catalogue/ByteFormat.h"
#include "cli/ResidualReport.h"
#include "cli/ScanCommand.h"
#include "platform/Text.h"
#include "removal/HistoryFormat.h"
#include "removal/TrashError.h"
#include "removal/TrashManager.h"
#include "session/ItemChoice.h"
#include "session/RemovalTexts.h"
#include "session/RemovalWorkflow.h"
#include "session/ReportJson.h"

#include <algorithm>
#include <iostream>
#include <optional>
#include <unistd.h>

namespace tarnwick {

namespace {

// The preselected findings, or those named with --item; a named path that is not a finding is a mistake.
std::vector<ResidualItem> chosenItems(const std::vector<ResidualItem>& found,
                                      const RemoveCommand::Options& options, const CommandContext& context) {
    try {
        return ItemChoice::choose(found, options.items);
    } catch (const ItemChoice::NotAFinding& error) {
        throw UsageError("\"" + Text::printable(error.path()) + "\" is not among the items found for " +
                         Text::printable(options.application) + ". Run '" +
                         context.commandLine({"scan", options.application}) + "' to see them.");
    }
}

bool confirmed(std::ostream& out) {
    out << "Move to Trash? [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer)) {
        out << '\n';
        return false;
    }
    std::transform(answer.begin(), answer.end(), answer.begin(), [](char character) {
        return character >= 'A' && character <= 'Z' ? static_cast<char>(character - 'A' + 'a') : character;
    });
    const auto first = answer.find_first_not_of(" \t");
    const auto last = answer.find_last_not_of(" \t\r");
    answer = first == std::string::npos ? "" : answer.substr(first, last - first + 1);
    return answer == "y" || answer == "yes";
}

} // namespace

int RemoveCommand::run(CommandContext& context, const Options& options) {
    const std::vector<InstalledApp> installed = context.installedApps();
    const InstalledApp app = context.findApp(installed, options.application);
    const RemovalRequest request{
        app, chosenItems(ScanCommand::findings(context, installed, app), options, context)};
    const std::vector<ResidualItem>& chosen = request.items;

    TrashManager trash(context.platform);
    RemovalWorkflow workflow(trash);
    try {
        workflow.check(request);
    } catch (const TrashError& error) {
        if (error.kind() != TrashError::Kind::nothingSelected) {
            throw;
        }
        std::cerr << "tarnwick-cli: " << printableMessage(error) << "\nNothing of "
                  << Text::printable(app.name)
                  << " is preselected; name what to remove with --item PATH (see '"
                  << context.commandLine({"scan", options.application}) << "').\n";
        return 1;
    }
    const std::int64_t bytes = totalSize(chosen);
    const bool asks = !options.dryRun && !options.yes;
    if (asks && isatty(STDIN_FILENO) != 1) {
        throw UsageError("Nothing was moved: there is no terminal to confirm on. Pass --yes to move the "
                         "items to the Trash without asking.");
    }

    // With --json, standard output carries only the result; the question goes to the terminal.
    std::ostream& shown = context.json ? std::cerr : context.out;
    if (!context.json || asks) {
        shown << Text::printable(app.name) << "  " << Text::printable(app.url.native()) << "\n\n";
        ResidualReport::print(shown, chosen, {.preselectedTotal = false});
        shown << '\n';
    }
    if (options.dryRun) {
        if (context.json) {
            ResidualReport::printJson(context.out, {{"dryRun", true},
                                                    {"app", ReportJson::appJson(app)},
                                                    {"items", ReportJson::itemsJson(chosen)},
                                                    {"bytes", bytes}});
        } else {
            context.out << "Dry run: " << RemovalTexts::itemCount(chosen.size()) << " ("
                        << ByteFormat::string(bytes) << ") would be moved to the Trash. Nothing was moved.\n";
        }
        return 0;
    }
    if (asks) {
        shown << RemovalTexts::confirmationTitle << '\n'
              << RemovalTexts::confirmationMessage(chosen.size(), bytes) << '\n';
        if (!confirmed(shown)) {
            shown << "Cancelled. Nothing was moved.\n";
            return 0;
        }
    }

    std::optional<RemovalWorkflow::Result> result;
    try {
        context.progress.show("Moving " + RemovalTexts::itemCount(chosen.size()) + " to the Trash\u2026",
                              true);
        result = workflow.remove(request);
        context.progress.clear();
    } catch (const TrashError& error) {
        context.progress.clear();
        std::cerr << "tarnwick-cli: " << printableMessage(error) << '\n';
        return 1;
    }
    if (const auto failure = result->failure()) {
        std::cerr << "tarnwick-cli: " << printableMessage(*failure) << '\n';
        if (const auto& recorded = failure->recordedRemoval()) {
            std::cerr << "What did move went to the Trash. To put it back: "
                      << context.commandLine({"restore", recorded->string()}) << '\n';
        }
        return 1;
    }
    const RemovalRecord& record = result->outcome.record;

    // The removal's ID is the way back: if the result cannot be written, standard error still says it.
    const auto sayIdentifierIfUnwritten = [&] {
        if (!context.out.flush() && !record.items.empty()) {
            std::cerr << "tarnwick-cli: The removal's ID is " << record.id.string()
                      << ". To put everything back: " << context.commandLine({"restore", record.id.string()})
                      << '\n';
        }
    };
    if (context.json) {
        ResidualReport::printJson(context.out, HistoryFormat::toJson(record));
        sayIdentifierIfUnwritten();
        return 0;
    }
    if (record.items.empty()) {
        context.out << "Nothing was moved: the chosen items are no longer there.\n";
        return 0;
    }
    context.out << "Moved " << RemovalTexts::itemCount(record.items.size()) << " ("
                << ByteFormat::string(record.bytes) << ") to the Trash";
    if (!result->stayed.empty()) {
        context.out << "; " << result->stayed.size() << " of the chosen items were no longer there";
    }
    context.out << ".\nRemoval ID " << record.id.string() << ". To put everything back:\n  "
                << context.commandLine({"restore", record.id.string()}) << '\n';
    sayIdentifierIfUnwritten();
    return 0;
}

} // namespace tarnwick
