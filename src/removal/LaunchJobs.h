#pragma once

#include "platform/CommandRunner.h"
#include "platform/Platform.h"
#include "removal/LaunchJob.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick {

// Stops and starts the launchd jobs of a removal's property lists: agents in the user's own domain, each
// through launchctl as the user. On a disk under a system root there are none: its jobs are not the
// running system's.
class LaunchJobs {
public:
    LaunchJobs(const Platform& platform, CommandRunner& commands);

    // The runner for launchctl on this system: the real one on a Mac; elsewhere, with no launchd, one that
    // runs nothing and answers that it did.
    static std::unique_ptr<CommandRunner> runnerForThisSystem();

    // The jobs of the property lists among `items` that lie in a launch folder and name their Label, in
    // the order given. A list without a Label is no job: it moves without this step.
    std::vector<LaunchJob> among(const std::vector<std::filesystem::path>& items) const;

    // Stops those of the user's `jobs` that launchd runs from their own lists (a label names no list, and
    // another list may carry the same one), adding them to `stopped`, and one line per job that could not
    // be stopped.
    void stop(const std::vector<LaunchJob>& jobs, std::vector<LaunchJob>& stopped,
              std::vector<std::string>& failures);
    // Starts the user's `jobs` again from their property lists; one line per job that could not be.
    void start(const std::vector<LaunchJob>& jobs, std::vector<std::string>& failures);

private:
    // launchctl with `arguments`; the reason it failed, or nothing. `harmlessStatus` is no failure, and
    // sets `wasNotLoaded_`.
    std::optional<std::string> launchctl(const std::vector<std::string>& arguments, int harmlessStatus = 0);
    // Whether launchd has the job of `job`'s label loaded from `job.plist` itself.
    bool runsFromItsList(const LaunchJob& job);
    std::string userDomain() const;

    Platform platform_;
    CommandRunner& commands_;
    bool wasNotLoaded_ = false;
};

} // namespace tarnwick
