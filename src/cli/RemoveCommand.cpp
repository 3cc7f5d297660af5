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

// One application of the command line, with what its scan found.
struct Chosen {
    std::string query; // as the user named it
    RemovalRequest request;
    std::vector<ResidualItem> found;
};

// The preselected findings of each application, or those named with --item: each named path goes to the
// application that found it, and one that no application found is a mistake.
void chooseItems(std::vector<Chosen>& chosen, const RemoveCommand::Options& options,
                 const CommandContext& context) {
    const auto notAFinding = [&](const std::string& path, const Chosen& first) {
        std::string names;
        for (const Chosen& each : chosen) {
            names += (names.empty() ? "" : ", ") + Text::printable(each.request.app.name);
        }
        return UsageError("\"" + Text::printable(path) + "\" is not among the items found for " + names +
                          ". Run '" + context.commandLine({"scan", first.query}) + "' to see them.");
    };
    if (options.items.empty()) {
        for (Chosen& each : chosen) {
            each.request.items = ItemChoice::choose(each.found, {});
        }
        return;
    }
    std::vector<std::vector<std::string>> named(chosen.size());
    for (const std::string& path : options.items) {
        bool isFound = false;
        for (std::size_t index = 0; index < chosen.size() && !isFound; ++index) {
            try {
                ItemChoice::choose(chosen[index].found, {path});
                named[index].push_back(path);
                isFound = true;
            } catch (const ItemChoice::NotAFinding&) {
            }
        }
        if (!isFound) {
            throw notAFinding(path, chosen.front());
        }
    }
    for (std::size_t index = 0; index < chosen.size(); ++index) {
        if (named[index].empty()) {
            throw UsageError("No --item names an item found for " +
                             Text::printable(chosen[index].request.app.name) +
                             "; name one, or remove it separately. Run '" +
                             context.commandLine({"scan", chosen[index].query}) + "' to see them.");
        }
        chosen[index].request.items = ItemChoice::choose(chosen[index].found, named[index]);
    }
}

bool confirmed(std::ostream& out, std::string_view question) {
    out << question << " [y/N] " << std::flush;
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

bool hasTerminal() {
    return isatty(STDIN_FILENO) == 1;
}

// Ends what runs from the applications before anything moves: asked to quit, with a question unless
// --quit or --force-quit was given, then forced only with --force-quit or a second yes. False, once the
// user was told why, when something still runs and nothing may move.
bool quitRunning(RemovalWorkflow& workflow, const std::vector<Chosen>& chosen,
                 const RemoveCommand::Options& options, std::ostream& shown) {
    std::vector<std::vector<RunningProcess>> running;
    std::vector<RunningProcess> all;
    for (const Chosen& each : chosen) {
        running.push_back(workflow.running(each.request));
        all.insert(all.end(), running.back().begin(), running.back().end());
    }
    if (all.empty()) {
        return true;
    }
    const std::vector<std::string> names = RemovalWorkflow::processNames(all);
    const auto refuse = [&](const std::vector<std::string>& stillRunning) {
        std::cerr << "tarnwick-cli: " << Text::printable(TrashError::stillRunning(stillRunning).what())
                  << '\n';
        return false;
    };
    const bool mayAsk = options.quit || options.forceQuit ||
                        (hasTerminal() && confirmed(shown, "Quit " + Text::listed(names) + "?"));
    if (!mayAsk) {
        return refuse(names);
    }
    const auto quitEach = [&](RemovalWorkflow::Quitting how) {
        std::vector<RunningProcess> still;
        for (std::size_t index = 0; index < chosen.size(); ++index) {
            running[index] = workflow.quit(chosen[index].request, running[index], how);
            still.insert(still.end(), running[index].begin(), running[index].end());
        }
        return RemovalWorkflow::processNames(still);
    };
    shown << "Asking " << Text::printable(Text::listed(names)) << " to quit\u2026\n";
    const std::vector<std::string> stubborn = quitEach(RemovalWorkflow::Quitting::ask);
    if (stubborn.empty()) {
        return true;
    }
    const bool mayForce =
        options.forceQuit || (hasTerminal() && confirmed(shown, RemovalTexts::forceQuitQuestion(stubborn)));
    if (!mayForce) {
        return refuse(stubborn);
    }
    const std::vector<std::string> unkillable = quitEach(RemovalWorkflow::Quitting::force);
    return unkillable.empty() || refuse(unkillable);
}

nlohmann::ordered_json dryRunJson(const Chosen& each) {
    return {{"dryRun", true},
            {"app", ReportJson::appJson(each.request.app)},
            {"items", ReportJson::itemsJson(each.request.items)},
            {"bytes", totalSize(each.request.items)}};
}

} // namespace

int RemoveCommand::run(CommandContext& context, const Options& options) {
    const std::vector<InstalledApp> installed = context.installedApps();
    std::vector<Chosen> chosen;
    for (const std::string& query : options.applications) {
        InstalledApp app = context.findApp(installed, query);
        const bool isNamedAgain = std::any_of(chosen.begin(), chosen.end(), [&](const Chosen& each) {
            return each.request.app.url == app.url;
        });
        if (!isNamedAgain) {
            std::vector<ResidualItem> found = ScanCommand::findings(context, installed, app);
            chosen.push_back({query, {std::move(app), {}}, std::move(found)});
        }
    }
    chooseItems(chosen, options, context);
    const bool isSeveral = chosen.size() > 1;

    TrashManager trash(context.platform);
    RemovalWorkflow workflow(trash);
    for (const Chosen& each : chosen) {
        try {
            workflow.check(each.request);
        } catch (const TrashError& error) {
            if (error.kind() != TrashError::Kind::nothingSelected) {
                throw;
            }
            std::cerr << "tarnwick-cli: " << printableMessage(error) << "\nNothing of "
                      << Text::printable(each.request.app.name)
                      << " is preselected; name what to remove with --item PATH (see '"
                      << context.commandLine({"scan", each.query}) << "').\n";
            return 1;
        }
    }
    std::size_t count = 0;
    std::int64_t bytes = 0;
    for (const Chosen& each : chosen) {
        count += each.request.items.size();
        bytes += totalSize(each.request.items);
    }
    const bool asks = !options.dryRun && !options.yes;
    if (asks && !hasTerminal()) {
        throw UsageError("Nothing was moved: there is no terminal to confirm on. Pass --yes to move the "
                         "items to the Trash without asking.");
    }

    // With --json, standard output carries only the result; the questions go to the terminal.
    std::ostream& shown = context.json ? std::cerr : context.out;
    if (!context.json || asks) {
        for (const Chosen& each : chosen) {
            const RemovalRequest& request = each.request;
            shown << Text::printable(request.app.name) << "  " << Text::printable(request.app.url.native())
                  << "\n\n";
            ResidualReport::print(shown, request.items, {.preselectedTotal = false});
            shown << '\n';
            if (const auto running = workflow.running(request); !running.empty()) {
                shown << Text::printable(RemovalTexts::runningNote(RemovalWorkflow::processNames(running)))
                      << "\n\n";
            }
            if (const auto jobs = workflow.launchJobs(request); !jobs.empty()) {
                shown << Text::printable(RemovalTexts::launchJobsNote(jobs)) << "\n\n";
            }
            if (options.dryRun && !context.json) {
                shown << "Dry run: " << RemovalTexts::itemCount(request.items.size()) << " ("
                      << ByteFormat::string(totalSize(request.items))
                      << ") would be moved to the Trash. Nothing was moved.\n"
                      << (isSeveral ? "\n" : "");
            }
        }
    }
    if (options.dryRun) {
        if (context.json) {
            nlohmann::ordered_json shownJson = nlohmann::ordered_json::array();
            for (const Chosen& each : chosen) {
                shownJson.push_back(dryRunJson(each));
            }
            ResidualReport::printJson(context.out, isSeveral ? shownJson : shownJson.front());
        }
        return 0;
    }
    if (asks) {
        shown << RemovalTexts::confirmationTitle << '\n';
        if (isSeveral) {
            for (const Chosen& each : chosen) {
                shown << "  "
                      << Text::printable(RemovalTexts::appSummary(
                             each.request.app.name, each.request.items.size(), totalSize(each.request.items)))
                      << '\n';
            }
        }
        shown << RemovalTexts::confirmationMessage(count, bytes) << '\n';
        if (!confirmed(shown, "Move to Trash?")) {
            shown << "Cancelled. Nothing was moved.\n";
            return 0;
        }
    }
    if (!quitRunning(workflow, chosen, options, shown)) {
        return 1;
    }

    std::vector<RemovalRequest> requests;
    for (const Chosen& each : chosen) {
        requests.push_back(each.request);
    }
    std::vector<RemovalWorkflow::Result> results;
    try {
        context.progress.show("Moving " + RemovalTexts::itemCount(count) + " to the Trash\u2026", true);
        results = workflow.remove(requests);
        context.progress.clear();
    } catch (const TrashError& error) {
        context.progress.clear();
        std::cerr << "tarnwick-cli: " << printableMessage(error) << '\n';
        return 1;
    }

    int status = 0;
    for (std::size_t index = 0; index < results.size(); ++index) {
        if (const auto failure = results[index].failure()) {
            std::cerr << "tarnwick-cli: "
                      << (isSeveral ? Text::printable(requests[index].app.name) + ": " : "")
                      << printableMessage(*failure) << '\n';
            if (const auto& recorded = failure->recordedRemoval()) {
                std::cerr << "What did move went to the Trash. To put it back: "
                          << context.commandLine({"restore", recorded->string()}) << '\n';
            }
            status = 1;
        }
    }
    // The removals' IDs are the way back: if the result cannot be written, standard error still says them.
    const auto sayIdentifiersIfUnwritten = [&] {
        if (context.out.flush()) {
            return;
        }
        for (const RemovalWorkflow::Result& result : results) {
            const RemovalRecord& record = result.outcome.record;
            if (!record.items.empty()) {
                std::cerr << "tarnwick-cli: The ID of the removal of " << Text::printable(record.appName)
                          << " is " << record.id.string()
                          << ". To put it back: " << context.commandLine({"restore", record.id.string()})
                          << '\n';
            }
        }
    };
    if (context.json) {
        nlohmann::ordered_json records = nlohmann::ordered_json::array();
        for (const RemovalWorkflow::Result& result : results) {
            records.push_back(HistoryFormat::toJson(result.outcome.record));
        }
        ResidualReport::printJson(context.out, isSeveral ? records : records.front());
        sayIdentifiersIfUnwritten();
        return status;
    }
    for (std::size_t index = 0; index < results.size(); ++index) {
        const RemovalWorkflow::Result& result = results[index];
        const RemovalRecord& record = result.outcome.record;
        if (isSeveral) {
            context.out << Text::printable(record.appName) << ": ";
        }
        if (record.items.empty()) {
            context.out << "Nothing was moved: the chosen items are no longer there.\n";
            continue;
        }
        context.out << "Moved " << RemovalTexts::itemCount(record.items.size()) << " ("
                    << ByteFormat::string(record.bytes) << ") to the Trash";
        if (!result.stayed.empty()) {
            context.out << "; " << result.stayed.size() << " of the chosen items were no longer there";
        }
        context.out << ".\nRemoval ID " << record.id.string() << ". To put everything back:\n  "
                    << context.commandLine({"restore", record.id.string()}) << '\n';
    }
    sayIdentifiersIfUnwritten();
    return status;
}

} // namespace tarnwick
