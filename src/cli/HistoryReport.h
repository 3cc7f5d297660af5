#pragma once

#include "cli/CommandContext.h"
#include "removal/RemovalRecord.h"

#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// How the command line shows removal records, and how it finds the one a user names.
namespace HistoryReport {

struct Options {
    // Every moved item with its place in the Trash.
    bool paths = false;
};

// One block per record, in the order given: the application, its summary (RemovalTexts::summary), the
// identifier and, for a
// record with nothing left in the Trash, the line that says it cannot be restored.
void print(std::ostream& out, const std::vector<RemovalRecord>& records,
           const std::function<bool(const RemovalRecord&)>& isRestorable, const Options& options = {});

// The record a user names by its identifier in any letter case, or by an unambiguous beginning of at
// least eight characters of it. A UsageError, pointing to the history, for anything else.
const RemovalRecord& find(const std::vector<RemovalRecord>& records, std::string_view identifier,
                          const CommandContext& context);

} // namespace HistoryReport
} // namespace tarnwick
