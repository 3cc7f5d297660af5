#pragma once

#include "platform/Platform.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace tarnwick {

// One of the user's processes, as it was found.
struct RunningProcess {
    pid_t id = 0;
    std::filesystem::path executable; // the file it runs, resolved
    // When it started, in the system's own units: tells it from a later process given the same number.
    std::uint64_t started = 0;

    // The executable's file name, as a process list shows it.
    std::string name() const { return executable.filename().string(); }

    friend bool operator==(const RunningProcess&, const RunningProcess&) = default;
};

// The user's running processes, found by the file each runs: on a Mac through the system library's
// process paths, elsewhere through /proc/<pid>/exe. Only the running system has any: with a system root
// set, the disk looked at is not the one they run from, and nothing is found. A process is signalled only
// while it is still the one found, the user's own, started at the same moment and running the same file:
// checked right before, and where the system allows bound to the process itself, since numbers are reused.
class RunningProcesses {
public:
    explicit RunningProcesses(const Platform& platform);

    // The user's processes whose executable is one of `places` or lies inside one, by process number.
    std::vector<RunningProcess> inside(const std::vector<std::filesystem::path>& places) const;

    // Whether `process` still runs as it was found.
    bool isRunning(const RunningProcess& process) const;

    // Asks it to quit the way it is meant to: on a Mac an application through its own quit (an Apple event
    // to that very process), anything else with SIGTERM. False when it is no longer the process found.
    bool askToQuit(const RunningProcess& process) const;

    // Ends it with SIGKILL: what it has not saved is lost. False when it is no longer the process found.
    bool forceQuit(const RunningProcess& process) const;

private:
    bool isRunningSystem_;
};

} // namespace tarnwick
