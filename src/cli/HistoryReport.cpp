#include "cli/HistoryReport.h"

#include "platform/Text.h"
#include "session/RemovalTexts.h"

#include <algorithm>
#include <ostream>

namespace tarnwick::HistoryReport {

namespace {

constexpr std::size_t shortestPrefix = 8;

std::string uppercased(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), [](char character) {
        return character >= 'a' && character <= 'z' ? static_cast<char>(character - 'a' + 'A') : character;
    });
    return result;
}

} // namespace

void print(std::ostream& out, const std::vector<RemovalRecord>& records,
           const std::function<bool(const RemovalRecord&)>& isRestorable, const Options& options) {
    bool first = true;
    for (const RemovalRecord& record : records) {
        out << (first ? "" : "\n") << Text::printable(record.appName) << '\n'
            << "  " << RemovalTexts::summary(record) << '\n'
            << "  ID " << record.id.string() << '\n';
        first = false;
        if (const auto availability = RemovalTexts::availability(record, isRestorable(record));
            !availability.empty()) {
            out << "  " << availability << '\n';
        }
        if (options.paths) {
            for (const TrashPair& pair : record.items) {
                out << "    " << Text::printable(pair.originalPath) << "\n      \u2192 "
                    << Text::printable(pair.trashPath) << '\n';
            }
        }
    }
}

const RemovalRecord& find(const std::vector<RemovalRecord>& records, std::string_view identifier,
                          const CommandContext& context) {
    const std::string seeHistory = " Run '" + context.commandLine({"history"}) + "' to see the removals.";
    const std::string wanted = uppercased(identifier);
    if (const auto id = Uuid::parse(identifier)) {
        const auto match = std::find_if(records.begin(), records.end(),
                                        [&](const RemovalRecord& record) { return record.id == *id; });
        if (match != records.end()) {
            return *match;
        }
    } else if (identifier.size() < shortestPrefix) {
        throw UsageError("\"" + Text::printable(identifier) +
                         "\" is too short to name a removal: give at least the first " +
                         std::to_string(shortestPrefix) + " characters of its ID." + seeHistory);
    } else {
        const RemovalRecord* found = nullptr;
        for (const RemovalRecord& record : records) {
            if (!record.id.string().starts_with(wanted)) {
                continue;
            }
            if (found != nullptr && found->id != record.id) {
                throw UsageError("Several removals have an ID beginning with \"" +
                                 Text::printable(identifier) + "\"; give more of it." + seeHistory);
            }
            found = found != nullptr ? found : &record;
        }
        if (found != nullptr) {
            return *found;
        }
    }
    throw UsageError("No removal in the history has the ID \"" + Text::printable(identifier) + "\"." +
                     seeHistory);
}

} // namespace tarnwick::HistoryReport
