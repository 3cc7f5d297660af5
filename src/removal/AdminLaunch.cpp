#include "removal/AdminLaunch.h"

#include "platform/ChildProcess.h"
#include "platform/PlatformError.h"
#include "platform/Text.h"
#include "removal/AdminProtocol.h"

#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace tarnwick::AdminLaunch {

namespace fs = std::filesystem;

namespace {

AdminOutcome notRun(std::string message) {
    return {false, std::move(message), {}};
}

// What a program wrote, as one line fit for a message.
std::string oneLine(std::string_view text) {
    std::string result;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string part = Text::trimmed(text.substr(start, end - start));
        if (!part.empty()) {
            result += (result.empty() ? "" : " ") + part;
        }
        start = end + 1;
    }
    return AdminProtocol::printable(result);
}

// Checked before asking for a password that would then be of no use.
std::optional<AdminOutcome> missingHelper(const fs::path& helper) {
    std::error_code error;
    if (helper.is_absolute() && fs::is_regular_file(helper, error) && ::access(helper.c_str(), X_OK) == 0) {
        return std::nullopt;
    }
    return notRun("The administrator helper is missing: \"" + AdminProtocol::printable(helper.string()) +
                  "\".");
}

// What the helper answered, through whatever started it.
AdminOutcome fromHelper(const ChildProcess::Result& result, std::size_t moveCount) {
    if (result.status == 0) {
        return {true, {}, AdminProtocol::outcomes(result.out, moveCount)};
    }
    // A helper stopped halfway has moved what it answered for; the rest counts as failed.
    if (!result.out.empty()) {
        return {true, oneLine(result.err), AdminProtocol::outcomes(result.out, moveCount)};
    }
    std::string message = oneLine(result.err);
    if (message.empty()) {
        message = "The administrator helper stopped without an answer (status " +
                  std::to_string(result.status) + ").";
    }
    return notRun(std::move(message));
}

#ifdef __APPLE__
// Rebuilds the command from the script's own arguments, each through "quoted form of": no path is ever
// part of the script's text, and the shell gets every argument back unchanged. The helper learns who
// asked from the processes above it, not from anything said here.
std::vector<std::string> osascriptArguments() {
    const std::vector<std::string> lines{
        "on run argv",
        "set shellCommand to quoted form of (item 1 of argv)",
        "repeat with i from 2 to count of argv",
        "set shellCommand to shellCommand & space & quoted form of (item i of argv)",
        "end repeat",
        "return do shell script shellCommand with administrator privileges without altering line endings",
        "end run",
    };
    std::vector<std::string> result;
    for (const std::string& line : lines) {
        result.push_back("-e");
        result.push_back(line);
    }
    return result;
}

// osascript reports "0:42: execution error: User canceled. (-128)"; the message is the middle part.
std::string osascriptMessage(const std::string& report) {
    constexpr std::string_view marker = "execution error: ";
    const std::size_t start = report.find(marker);
    if (start == std::string::npos) {
        return oneLine(report);
    }
    std::string message = Text::trimmed(report.substr(start + marker.size()));
    if (const std::size_t code = message.rfind(" ("); code != std::string::npos && message.ends_with(")")) {
        message.erase(code);
    }
    return oneLine(message);
}
#endif

} // namespace

std::optional<fs::path> helperBesideThisProgram() {
    try {
        const fs::path helper = ChildProcess::thisProgram().parent_path() / AdminProtocol::helperName;
        std::error_code error;
        if (fs::is_regular_file(helper, error)) {
            return helper;
        }
    } catch (const PlatformError&) {
        // Without its own path the program cannot know what is beside it.
    }
    return std::nullopt;
}

AdminOutcome direct(const fs::path& helper, const AdminRequest& request) {
    if (auto missing = missingHelper(helper)) {
        return std::move(*missing);
    }
    try {
        return fromHelper(ChildProcess::run(helper.string(), AdminProtocol::arguments(request)),
                          request.moves.size());
    } catch (const PlatformError& error) {
        return notRun(error.message());
    }
}

#ifdef __APPLE__

AdminOutcome throughOsascript(const fs::path& helper, const AdminRequest& request) {
    if (auto missing = missingHelper(helper)) {
        return std::move(*missing);
    }
    std::vector<std::string> arguments = osascriptArguments();
    arguments.push_back(helper.string());
    const std::vector<std::string> requestArguments = AdminProtocol::arguments(request);
    arguments.insert(arguments.end(), requestArguments.begin(), requestArguments.end());
    ChildProcess::Result result;
    try {
        result = ChildProcess::run("/usr/bin/osascript", arguments);
    } catch (const PlatformError& error) {
        return notRun(error.message());
    }
    if (result.status != 0) {
        // The script fails as a whole: a cancelled prompt or a refused request, with its message.
        return notRun(osascriptMessage(result.err));
    }
    return {true, {}, AdminProtocol::outcomes(result.out, request.moves.size())};
}

AdminOutcome withAdministratorPrivileges(const fs::path& helper, const AdminRequest& request) {
    return throughOsascript(helper, request);
}

#else

AdminOutcome throughTool(const std::vector<std::string>& tool, const fs::path& helper,
                         const AdminRequest& request) {
    if (auto missing = missingHelper(helper)) {
        return std::move(*missing);
    }
    std::vector<std::string> arguments(tool.begin() + 1, tool.end());
    arguments.push_back(helper.string());
    const std::vector<std::string> requestArguments = AdminProtocol::arguments(request);
    arguments.insert(arguments.end(), requestArguments.begin(), requestArguments.end());
    ChildProcess::Result result;
    try {
        result = ChildProcess::run(tool.front(), arguments);
    } catch (const PlatformError&) {
        return notRun("Administrator authorization is not available: pkexec (polkit) is not installed.");
    }
    // 126: the user dismissed the dialog; 127: not authorised. Neither says anything worth showing.
    if (result.status == 126 || result.status == 127) {
        return notRun({});
    }
    return fromHelper(result, request.moves.size());
}

AdminOutcome throughPkexec(const fs::path& helper, const AdminRequest& request) {
    return throughTool({"/usr/bin/pkexec"}, helper, request);
}

AdminOutcome withAdministratorPrivileges(const fs::path& helper, const AdminRequest& request) {
    return throughPkexec(helper, request);
}

#endif

} // namespace tarnwick::AdminLaunch
