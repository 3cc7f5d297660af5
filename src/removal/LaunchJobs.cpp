#include "removal/LaunchJobs.h"

#include "formats/PlistValue.h"
#include "formats/PropertyList.h"
#include "platform/Location.h"
#include "platform/PlatformError.h"
#include "platform/Text.h"

#include <sstream>
#include <string_view>
#include <unistd.h>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

constexpr const char* launchctlProgram = "/bin/launchctl";
// launchctl's status for a job that is not loaded (ESRCH): nothing to stop.
constexpr int notLoaded = 3;
// How `launchctl print` names the property list a job was loaded from.
constexpr std::string_view listField = "path = ";

// Answers every command as launchctl does when it succeeds, running nothing: there is no launchd here,
// so no job runs from any list.
class NoLaunchdRunner : public CommandRunner {
public:
    ChildProcess::Result run(const std::string&, const std::vector<std::string>&) override {
        return {0, {}, {}};
    }
};

std::string jobName(const LaunchJob& job) {
    return Location::lastComponent(job.plist) + " (" + job.label + ")";
}

} // namespace

LaunchJobs::LaunchJobs(const Platform& platform, CommandRunner& commands)
    : platform_(platform)
    , commands_(commands) {}

std::unique_ptr<CommandRunner> LaunchJobs::runnerForThisSystem() {
#ifdef __APPLE__
    return CommandRunner::system();
#else
    return std::make_unique<NoLaunchdRunner>();
#endif
}

std::vector<LaunchJob> LaunchJobs::among(const std::vector<fs::path>& items) const {
    std::vector<LaunchJob> jobs;
    if (!platform_.systemRoot().empty()) {
        return jobs;
    }
    // Agents run in the user's own domain. Daemons, in the system's, only an administrator may stop: their
    // lists move without this step.
    const std::pair<fs::path, LaunchJob::Domain> folders[] = {
        {platform_.home() / "Library/LaunchAgents", LaunchJob::Domain::user},
        {platform_.system("/Library/LaunchAgents"), LaunchJob::Domain::user},
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
            const auto plist = PropertyList::read(location);
            const auto* dictionary = plist ? plist->asDictionary() : nullptr;
            const auto label = dictionary ? stringValue(*dictionary, "Label") : std::nullopt;
            if (label && !label->empty()) {
                jobs.push_back({*label, location.string(), domain});
            }
        }
    }
    return jobs;
}

void LaunchJobs::stop(const std::vector<LaunchJob>& jobs, std::vector<LaunchJob>& stopped,
                      std::vector<std::string>& failures) {
    for (const LaunchJob& job : jobs) {
        if (job.domain != LaunchJob::Domain::user || !runsFromItsList(job)) {
            continue;
        }
        if (const auto failure = launchctl({"bootout", userDomain() + "/" + job.label}, notLoaded)) {
            failures.push_back(jobName(job) + ": could not be stopped (" + *failure +
                               "); it runs until you log out");
        } else if (!wasNotLoaded_) {
            stopped.push_back(job);
        }
    }
}

void LaunchJobs::start(const std::vector<LaunchJob>& jobs, std::vector<std::string>& failures) {
    for (const LaunchJob& job : jobs) {
        if (job.domain != LaunchJob::Domain::user) {
            continue;
        }
        if (const auto failure = launchctl({"bootstrap", userDomain(), job.plist})) {
            failures.push_back(jobName(job) + ": could not be started again (" + *failure +
                               "); it starts when you next log in");
        }
    }
}

bool LaunchJobs::runsFromItsList(const LaunchJob& job) {
    try {
        const ChildProcess::Result result =
            commands_.run(launchctlProgram, {"print", userDomain() + "/" + job.label});
        if (result.status != 0) {
            return false;
        }
        // The service's own list comes first, as "path = …" on a line of its own.
        std::istringstream lines(result.out);
        for (std::string line; std::getline(lines, line);) {
            const std::string field = Text::trimmed(line);
            if (field.starts_with(listField)) {
                return field.substr(listField.size()) == job.plist;
            }
        }
        return false;
    } catch (const PlatformError&) {
        return false;
    }
}

std::optional<std::string> LaunchJobs::launchctl(const std::vector<std::string>& arguments,
                                                 int harmlessStatus) {
    wasNotLoaded_ = false;
    try {
        const ChildProcess::Result result = commands_.run(launchctlProgram, arguments);
        if (result.status == 0 || result.status == harmlessStatus) {
            wasNotLoaded_ = result.status != 0;
            return std::nullopt;
        }
        const std::string said = Text::trimmed(result.err.empty() ? result.out : result.err);
        return said.empty() ? "launchctl ended with status " + std::to_string(result.status) : said;
    } catch (const PlatformError& error) {
        return error.message();
    }
}

std::string LaunchJobs::userDomain() const {
    return "gui/" + std::to_string(::getuid());
}

} // namespace tarnwick
