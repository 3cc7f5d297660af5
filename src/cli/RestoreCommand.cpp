#include "cli/RestoreCommand.h"

#include "cli/HistoryReport.h"
#include "cli/ResidualReport.h"
#include "platform/Text.h"
#include "removal/TrashError.h"
#include "removal/TrashManager.h"
#include "session/RemovalTexts.h"
#include "session/RemovalWorkflow.h"

#include <algorithm>
#include <iostream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

namespace tarnwick {

namespace {

// The pairs whose item lies in the Trash as the removal left it: those a restore may bring back.
std::vector<TrashPair> inTrash(const RemovalRecord& record) {
    std::vector<TrashPair> pairs;
    if (record.state != RemovalRecord::State::restored) {
        std::copy_if(record.items.begin(), record.items.end(), std::back_inserter(pairs),
                     HistoryService::isInTrash);
    }
    return pairs;
}

} // namespace

int RestoreCommand::run(CommandContext& context, const std::string& identifier) {
    TrashManager trash(context.platform);
    // Only the records the identifier may name are read: the others cost nothing, however many items
    // they hold.
    const std::vector<RemovalRecord> records = trash.historyStartingWith(identifier);
    const RemovalRecord& record = HistoryReport::find(records, identifier, context);
    const std::vector<TrashPair> waiting = inTrash(record);

    RestoreOutcome outcome;
    if (!waiting.empty()) {
        context.progress.show("Putting back " + RemovalTexts::itemCount(waiting.size()) + "\u2026", true);
        outcome = RemovalWorkflow(trash).restore(record);
        context.progress.clear();
    }
    std::vector<std::string> restored;
    for (const TrashPair& pair : outcome.restored) {
        restored.push_back(pair.originalPath);
    }

    if (context.json) {
        ResidualReport::printJson(
            context.out, {{"id", record.id.string()}, {"appName", record.appName}, {"restored", restored}});
    } else if (record.state == RemovalRecord::State::restored) {
        context.out << "Nothing to restore: the items of the removal of " << Text::printable(record.appName)
                    << " (" << RemovalTexts::summary(record) << ") were put back already.\n";
    } else if (waiting.empty()) {
        context.out << "Nothing to restore: no item of the removal of " << Text::printable(record.appName)
                    << " (" << RemovalTexts::summary(record) << ") is in the Trash any more.\n";
    } else if (!restored.empty()) {
        context.out << "Put back " << RemovalTexts::itemCount(restored.size()) << " of "
                    << Text::printable(record.appName) << ":\n";
        for (const std::string& path : restored) {
            context.out << "  " << Text::printable(path) << '\n';
        }
    }
    if (const auto failure = RemovalWorkflow::failure(outcome)) {
        std::cerr << "tarnwick-cli: " << printableMessage(*failure) << '\n';
        return 1;
    }
    return 0;
}

} // namespace tarnwick
