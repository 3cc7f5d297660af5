#include "cli/HistoryCommand.h"

#include "cli/HistoryReport.h"
#include "cli/ResidualReport.h"
#include "platform/Text.h"
#include "removal/HistoryFormat.h"
#include "removal/TrashManager.h"
#include "session/RemovalTexts.h"

#include <filesystem>
#include <iostream>
#include <ostream>
#include <vector>

namespace tarnwick {

namespace {

std::string removalCount(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " removal" : " removals");
}

// Says on standard error what opening or clearing the history found that could not be read, and where
// it is now. False when the history as a whole could not be read.
bool reportUnreadable(const HistoryFile::Outcome& upkeep) {
    const std::string place = upkeep.keptAside ? Text::printable(upkeep.keptAside->native()) : "";
    if (upkeep.fileWasUnreadable) {
        if (upkeep.keptAside) {
            std::cerr << "tarnwick-cli: The removal history could not be read. It was kept aside as \""
                      << place
                      << "\"; what it recorded cannot be restored by Tarnwick, but nothing was deleted.\n";
        } else {
            std::cerr << "tarnwick-cli: The removal history could not be read, and could not be kept aside ("
                      << Text::printable(upkeep.failure) << ").\n";
        }
        return false;
    }
    if (upkeep.recordsKeptAside > 0) {
        std::cerr << "tarnwick-cli: " << removalCount(upkeep.recordsKeptAside)
                  << " in the history could not be read and "
                  << (upkeep.recordsKeptAside == 1 ? "was" : "were") << " kept aside in \"" << place
                  << "\".\n";
    }
    if (upkeep.damagedSteps > 0 && upkeep.stepsKeptAside) {
        std::cerr << "tarnwick-cli: " << upkeep.damagedSteps
                  << (upkeep.damagedSteps == 1 ? " change" : " changes")
                  << " to the history could not be read and " << (upkeep.damagedSteps == 1 ? "was" : "were")
                  << " kept aside in \"" << Text::printable(upkeep.stepsKeptAside->native()) << "\".\n";
    }
    return true;
}

// Says on standard error why a change of the history was not written; false then.
bool reportUnchanged(const HistoryFile::Outcome& change) {
    if (change.written) {
        return true;
    }
    std::cerr << "tarnwick-cli: " << RemovalTexts::historyNotChanged(Text::printable(change.failure)) << "\n";
    return false;
}

// Says where history kept aside earlier lies, every time, until the user deals with it.
void reportKeptAside(const HistoryService::Listing& listing) {
    for (const std::filesystem::path& file : listing.keptAside) {
        if (file != listing.upkeep.keptAside && file != listing.upkeep.stepsKeptAside) {
            std::cerr << "tarnwick-cli: " << RemovalTexts::keptAsideNotice(Text::printable(file.native()))
                      << '\n';
        }
    }
}

int list(CommandContext& context, TrashManager& trash, bool verbose) {
    const HistoryService::Listing listing = trash.openHistory();
    if (!reportUnreadable(listing.upkeep)) {
        return 1;
    }
    reportKeptAside(listing);
    const std::vector<RemovalRecord>& records = listing.records;
    if (context.json) {
        ResidualReport::printJson(context.out, HistoryFormat::toJson(records));
        return 0;
    }
    if (records.empty()) {
        context.out << "No Removal History\nApplications you remove with '"
                    << context.commandLine({"remove", "APP"}) << "' will appear here.\n";
        return 0;
    }
    HistoryReport::print(context.out, records,
                         [&](const RemovalRecord& record) { return trash.isRestorable(record); },
                         {.paths = verbose});
    context.out << "\nTo put the items of a removal back: " << context.commandLine({"restore", "ID"}) << '\n';
    return 0;
}

} // namespace

int HistoryCommand::run(CommandContext& context, const Options& options) {
    TrashManager trash(context.platform);
    if (options.action == Action::list) {
        return list(context, trash, options.verbose);
    }

    const HistoryService::Listing before = trash.openHistory();
    if (!reportUnreadable(before.upkeep)) {
        return 1;
    }
    std::string done;
    switch (options.action) {
    case Action::clear: {
        const HistoryFile::Outcome cleared = trash.clearHistory();
        if (!reportUnreadable(cleared) || !cleared.written) {
            std::cerr << "tarnwick-cli: " << RemovalTexts::historyNotCleared(Text::printable(cleared.failure))
                      << "\n";
            return 1;
        }
        done = before.records.empty() ? "The removal history was already empty."
                                      : "Forgot " + removalCount(before.records.size()) +
                                            ". What they moved stays in the Trash.";
        break;
    }
    case Action::forget: {
        const RemovalRecord& record = HistoryReport::find(before.records, options.identifier, context);
        const bool restorable = trash.isRestorable(record);
        if (!reportUnchanged(trash.removeRecord(record.id))) {
            return 1;
        }
        done = "Forgot the removal of " + Text::printable(record.appName) + " (" +
               RemovalTexts::summary(record) + ").";
        if (restorable) {
            done += " Its items stay in the Trash, but Tarnwick can no longer put them back.";
        }
        break;
    }
    case Action::clearUnavailable: {
        if (!reportUnchanged(trash.clearUnavailable())) {
            return 1;
        }
        const std::size_t forgotten =
            before.records.size() - std::min(before.records.size(), trash.history().size());
        if (before.records.empty()) {
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
