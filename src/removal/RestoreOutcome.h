#pragma once

#include "removal/TrashPair.h"

#include <string>
#include <vector>

namespace tarnwick {

// What a restore did: the items it put back where they were, in the record's order, and one line for each
// item that stayed in the Trash, saying which and why. Items no longer in the Trash have neither.
struct RestoreOutcome {
    std::vector<TrashPair> restored;
    std::vector<std::string> failures;
};

} // namespace tarnwick
