#include "removal/Launchctl.h"

#include "formats/PlistValue.h"
#include "platform/Location.h"
#include "platform/PlatformError.h"
#include "platform/Text.h"

#include <sstream>

namespace tarnwick::Launchctl {

namespace {

// How `launchctl print` names the property list a job was loaded from.
constexpr std::string_view listField = "path = ";

// Answers every command as launchctl does when it succeeds, running nothing: there is no launchd here.
class NoLaunchdRunner : public CommandRunner {
public:
    ChildProcess::Result run(const std::string&, const std::vector<std::string>&) override {
        return {0, {}, {}};
    }
};

} // namespace

std::unique_ptr<CommandRunner> runnerForThisSystem() {
#ifdef __APPLE__
    return CommandRunner::system();
#else
    return std::make_unique<NoLaunchdRunner>();
#endif
}

std::optional<std::string> labelIn(const PlistValue& plist) {
    const auto* dictionary = plist.asDictionary();
    auto label = dictionary ? stringValue(*dictionary, "Label") : std::nullopt;
    if (!label || label->empty() || Text::printable(*label) != *label) {
        return std::nullopt;
    }
    return label;
}

bool runsFrom(CommandRunner& commands, const std::string& service, const std::string& plist) {
    try {
        const ChildProcess::Result result = commands.run(std::string(program), {"print", service});
        if (result.status != 0) {
            return false;
        }
        // The service's own list comes first, as "path = …" on a line of its own.
        std::istringstream lines(result.out);
        for (std::string line; std::getline(lines, line);) {
            const std::string field = Text::trimmed(line);
            if (field.starts_with(listField)) {
                return field.substr(listField.size()) == plist;
            }
        }
        return false;
    } catch (const PlatformError&) {
        return false;
    }
}

Answer run(CommandRunner& commands, const std::vector<std::string>& arguments, int harmlessStatus) {
    try {
        const ChildProcess::Result result = commands.run(std::string(program), arguments);
        if (result.status == 0 || (harmlessStatus != 0 && result.status == harmlessStatus)) {
            return {std::nullopt, result.status != 0};
        }
        const std::string said = Text::trimmed(result.err.empty() ? result.out : result.err);
        return {said.empty() ? "launchctl ended with status " + std::to_string(result.status) : said, false};
    } catch (const PlatformError& error) {
        return {error.message(), false};
    }
}

std::string jobName(std::string_view plist, std::string_view label) {
    return Location::lastComponent(std::string(plist)) + " (" + std::string(label) + ")";
}

std::string couldNotStop(std::string_view plist, std::string_view label, std::string_view reason,
                         std::string_view until) {
    return jobName(plist, label) + ": could not be stopped (" + std::string(reason) + "); it runs until " +
           std::string(until);
}

std::string couldNotStart(std::string_view plist, std::string_view label, std::string_view reason,
                          std::string_view until) {
    return jobName(plist, label) + ": could not be started again (" + std::string(reason) +
           "); it starts when " + std::string(until);
}

} // namespace tarnwick::Launchctl
