#pragma once

#include "removal/RemovalRecord.h"

#include <string>
#include <vector>

namespace tarnwick {

// What a removal did once it began moving: its record as the history keeps it (the items that moved, in the
// order they moved), and one line for each chosen item that could not be moved, saying which and why, in the
// order the failures arose. Chosen items that were gone already have neither.
struct RemovalOutcome {
    RemovalRecord record;
    std::vector<std::string> failures;
};

} // namespace tarnwick
