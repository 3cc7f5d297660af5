#pragma once

#include "residuals/ResidualItem.h"

#include <cstdint>
#include <iosfwd>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// How every command prints findings: as text for people, or as JSON for scripts.
namespace ResidualReport {

// Where the reason of a finding is printed.
enum class Reasons {
    // Under each item of confidence possible: the reasons differ and say how sure the match is.
    afterPossibleItems,
    // Once under the section title, from its first item, when the findings share one reason; an item
    // whose reason differs from its section's still shows its own.
    oncePerSection,
};

struct Options {
    Reasons reasons = Reasons::afterPossibleItems;
    // The closing line with the number and size of the preselected items.
    bool preselectedTotal = true;
};

// One section per category, in section order, holding its items in the order given: a title line with
// the category, the number of items and their total size, then one line per item with its selection
// mark, confidence, size and path. Ends with the number and size of the selected items, unless the
// options leave that out. Prints nothing
// for no items: the caller says what was looked for.
void print(std::ostream& out, const std::vector<ResidualItem>& items, const Options& options = {});

// The layout every command uses for JSON: two-space indent, invalid UTF-8 replaced, a final line break.
void printJson(std::ostream& out, const nlohmann::ordered_json& value);

} // namespace ResidualReport
} // namespace tarnwick
