#include "cli/HistoryCommand.h"

#include "cli/HistoryReport.h"
#include "cli/ResidualReport.h"
#include "removal/HistoryFormat.h"
#include "removal/TrashManager.h"
#include "session/RemovalTexts.h"

#include <ostream>
#include <vector>

namespace tarnwick {

namespace {

std::string removalCount(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " removal" : " removals");
}

void list(CommandContext& context, const TrashManager& trash, bool verbose) {
    const std::vector<RemovalRecord> records = trash.history();
    if (context.json) {
        ResidualReport::printJson(context.out, HistoryFormat::toJson(records));
        return;
    }
    if (records.empty()) {
        context.out << "No Removal History\nApplications you remove with '"
                    << context.commandLine({"remove", "APP"}) << "' will appear here.\n";
        return;
    }
    HistoryReport::print(context.out, records,
                         [&](const RemovalRecord& record) { return trash.isRestorable(record); },
                         {.paths = verbose});
    context.out << "\nTo put the items of a removal back: " << context.commandLine({"restore", "ID"}) << '\n';
}

} // namespace

int HistoryCommand::run(CommandContext& context, const Options& options) {
    TrashManager trash(context.platform);
    if (options.action == Action::list) {
        list(context, trash, options.verbose);
        return 0;
    }

    const std::vector<RemovalRecord> before = trash.history();
    std::string done;
    switch (options.action) {
    case Action::clear:
        trash.clearHistory();
        done = before.empty()
                   ? "The removal history was already empty."
                   : "Forgot " + removalCount(before.size()) + ". What they moved stays in the Trash.";
        break;
    case Action::forget: {
        const RemovalRecord& record = HistoryReport::find(before, options.identifier, context);
        const bool restorable = trash.isRestorable(record);
        trash.removeRecord(record.id);
        done = "Forgot the removal of " + ResidualReport::printable(record.appName) + " (" +
               RemovalTexts::summary(record) + ").";
        if (restorable) {
            done += " Its items stay in the Trash, but Tarnwick can no longer put them back.";
        }
        break;
    }
    case Action::clearUnavailable: {
        trash.clearUnavailable();
        const std::size_t forgotten = before.size() - std::min(before.size(), trash.history().size());
        if (before.empty()) {
            done = "The removal history is empty.";
        } else if (forgotten == 0) {
            done = "Every removal in the history still has items in the Trash; nothing was forgotten.";
        } else {
            done = "Forgot " + removalCount(forgotten) + " with nothing left in the Trash.";
        }
        break;
    }
    case Action::list:
        break;
    }
    // Scripts get the history as it now stands.
    if (context.json) {
        ResidualReport::printJson(context.out, HistoryFormat::toJson(trash.history()));
    } else {
        context.out << done << '\n';
    }
    return 0;
}

} // namespace tarnwick
