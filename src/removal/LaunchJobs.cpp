#include "removal/LaunchJobs.h"

#include "formats/PropertyList.h"
#include "platform/Location.h"
#include "platform/PlatformError.h"
#include "removal/Launchctl.h"

#include <algorithm>
#include <unistd.h>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view agentsStopAt = "you log out";
constexpr std::string_view agentsStartAt = "you next log in";

std::optional<std::string> labelOf(const fs::path& list) {
    const auto plist = PropertyList::read(list);
    return plist ? Launchctl::labelIn(*plist) : std::nullopt;
}

} // namespace

LaunchJobs::LaunchJobs(const Platform& platform, CommandRunner& commands, bool rootIsRunningSystem)
    : platform_(platform)
    , commands_(commands)
    , rootIsRunningSystem_(rootIsRunningSystem) {}

std::unique_ptr<CommandRunner> LaunchJobs::runnerForThisSystem() {
    return Launchctl::runnerForThisSystem();
}

std::vector<LaunchJob> LaunchJobs::among(const std::vector<fs::path>& items) const {
    std::vector<LaunchJob> jobs;
    if (!platform_.systemRoot().empty() && !rootIsRunningSystem_) {
        return jobs;
    }
    // The system-wide agents run in each user's own domain, like the user's own.
    const std::pair<fs::path, LaunchJob::Domain> folders[] = {
        {platform_.home() / "Library/LaunchAgents", LaunchJob::Domain::user},
        {platform_.system("/Library/LaunchAgents"), LaunchJob::Domain::user},
        {platform_.system("/Library/LaunchDaemons"), LaunchJob::Domain::system},
    };
    for (const fs::path& item : items) {
        const fs::path location = Location::standardized(item);
        if (location.extension() != ".plist") {
            continue;
        }
        for (const auto& [folder, domain] : folders) {
            if (location.parent_path() != Location::standardized(folder)) {
                continue;
            }
            if (const auto label = labelOf(location)) {
                jobs.push_back({*label, location.string(), domain});
            }
        }
    }
    return jobs;
}

bool LaunchJobs::isDaemonList(const fs::path& item, const std::vector<LaunchJob>& jobs) {
    const std::string list = Location::standardized(item).string();
    return std::any_of(jobs.begin(), jobs.end(), [&](const LaunchJob& job) {
        return job.domain == LaunchJob::Domain::system && job.plist == list;
    });
}

void LaunchJobs::stop(const std::vector<LaunchJob>& jobs, std::vector<LaunchJob>& stopped,
                      std::vector<std::string>& failures) {
    for (const LaunchJob& job : jobs) {
        const std::string service = userDomain() + "/" + job.label;
        if (job.domain != LaunchJob::Domain::user || !Launchctl::runsFrom(commands_, service, job.plist)) {
            continue;
        }
        const Launchctl::Answer answer =
            Launchctl::run(commands_, {"bootout", service}, Launchctl::notLoaded);
        if (answer.failure) {
            failures.push_back(Launchctl::couldNotStop(job.plist, job.label, *answer.failure, agentsStopAt));
        } else if (!answer.wasNotLoaded) {
            stopped.push_back(job);
        }
    }
}

void LaunchJobs::start(const std::vector<LaunchJob>& jobs, std::vector<std::string>& failures) {
    for (const LaunchJob& job : jobs) {
        if (job.domain != LaunchJob::Domain::user) {
            continue;
        }
        if (const auto failure = Launchctl::run(commands_, {"bootstrap", userDomain(), job.plist}).failure) {
            failures.push_back(Launchctl::couldNotStart(job.plist, job.label, *failure, agentsStartAt));
        }
    }
}

std::string LaunchJobs::userDomain() const {
    return "gui/" + std::to_string(::getuid());
}

} // namespace tarnwick
