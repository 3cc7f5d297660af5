#pragma once

#include "platform/CommandRunner.h"
#include "platform/Platform.h"
#include "removal/LaunchJob.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tarnwick {

// Stops and starts the launchd jobs of a removal's property lists. Agents run in the user's own domain:
// stopped and started here, through launchctl as the user. Daemons run in the system's, where only an
// administrator may stop them: the administrator helper stops them as it moves their lists, and starts
// them as it puts them back. On a disk under a system root there are none: its jobs are not the running
// system's.
class LaunchJobs {
public:
    // `rootIsRunningSystem`: the folders under the platform's root are those launchd runs jobs from, as
    // in tests that build the system's folders in a tree of their own.
    LaunchJobs(const Platform& platform, CommandRunner& commands, bool rootIsRunningSystem = false);

    // The runner for launchctl on this system: the real one on a Mac; elsewhere, with no launchd, one that
    // runs nothing and answers that it did.
    static std::unique_ptr<CommandRunner> runnerForThisSystem();

    // The jobs of the property lists among `items` that lie in a launch folder and name their Label, in
    // the order given: agents in the user's domain, daemons in the system's. A list without a Label is no
    // job: it moves without this step.
    std::vector<LaunchJob> among(const std::vector<std::filesystem::path>& items) const;

    // Whether `item` is the list of one of the system's `jobs`: only the administrator step moves it.
    static bool isDaemonList(const std::filesystem::path& item, const std::vector<LaunchJob>& jobs);

    // Stops those of the user's `jobs` that launchd runs from their own lists (a label names no list, and
    // another list may carry the same one), adding them to `stopped`, and one line per job that could not
    // be stopped. The system's are left to the administrator step.
    void stop(const std::vector<LaunchJob>& jobs, std::vector<LaunchJob>& stopped,
              std::vector<std::string>& failures);
    // Starts the user's `jobs` again from their property lists; one line per job that could not be. The
    // system's are left to the administrator step.
    void start(const std::vector<LaunchJob>& jobs, std::vector<std::string>& failures);

private:
    std::string userDomain() const;

    Platform platform_;
    CommandRunner& commands_;
    bool rootIsRunningSystem_;
};

} // namespace tarnwick
