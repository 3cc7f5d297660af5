#pragma once

#include "removal/LaunchJob.h"
#include "removal/TrashPair.h"
#include "removal/Uuid.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace tarnwick {

// One removal in the history: what was moved for which application, and when.
struct RemovalRecord {
    // A point in time with fractional seconds; any stored value converts without overflow.
    using Date = std::chrono::time_point<std::chrono::system_clock, std::chrono::duration<double>>;

    enum class State {
        finished,   // every move done; `items` are the items that moved
        inProgress, // written before the first move: `items` are the planned moves, some perhaps not done
        restored,   // every item was put back; nothing is left to restore
        restoring,  // a restore is putting the items back, or was until it was interrupted
    };

    Uuid id;
    std::string appName;
    Date date;
    std::vector<TrashPair> items; // in the order they were moved
    std::int64_t bytes = 0;       // every item the user chose, moved or not
    State state = State::finished;
    // The launchd jobs stopped before their property lists moved (while in progress: those to be stopped),
    // started again when the lists are put back.
    std::vector<LaunchJob> launchJobs{};

    friend bool operator==(const RemovalRecord&, const RemovalRecord&) = default;
};

} // namespace tarnwick
