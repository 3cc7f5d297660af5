#include "removal/AdminRunner.h"

#include "platform/ChildProcess.h"
#include "platform/PlatformError.h"
#include "platform/Text.h"
#include "removal/AdminScript.h"

namespace tarnwick {

namespace {

// Runs the script with the system's script runner, which asks for the administrator's password.
class OsaScriptRunner : public AdminRunner {
public:
    Outcome run(const std::string& scriptSource) override {
        ChildProcess::Result result;
        try {
            result = ChildProcess::run("/usr/bin/osascript", {"-e", scriptSource});
        } catch (const PlatformError& error) {
            return {false, error.message()};
        }
        if (result.status == 0) {
            return {true, {}};
        }
        return {false, errorMessage(result.err)};
    }

private:
    // osascript reports "0:42: execution error: User canceled. (-128)"; the message is the middle part.
    static std::string errorMessage(const std::string& report) {
        constexpr std::string_view marker = "execution error: ";
        const std::size_t start = report.find(marker);
        if (start == std::string::npos) {
            return Text::trimmed(report);
        }
        std::string message = Text::trimmed(report.substr(start + marker.size()));
        if (const std::size_t code = message.rfind(" (");
            code != std::string::npos && message.ends_with(")")) {
            message.erase(code);
        }
        return message;
    }
};

// Linux desktops ask for authorisation through polkit; the shell command inside the script runs as root.
class PkexecRunner : public AdminRunner {
public:
    Outcome run(const std::string& scriptSource) override {
        const auto command = AdminScript::command(scriptSource);
        if (!command) {
            return {false, "The administrator command could not be prepared."};
        }
        ChildProcess::Result result;
        try {
            result = ChildProcess::run("/usr/bin/pkexec", {"/bin/sh", "-c", *command});
        } catch (const PlatformError&) {
            return {false, "Administrator authorization is not available: pkexec (polkit) is not installed."};
        }
        if (result.status == 0) {
            return {true, {}};
        }
        // 126: the user dismissed the dialog; 127: not authorised. Both say nothing worth showing.
        if (result.status == 126 || result.status == 127) {
            return {false, {}};
        }
        return {false, Text::trimmed(result.err)};
    }
};

} // namespace

std::unique_ptr<AdminRunner> AdminRunner::forThisSystem() {
#ifdef __APPLE__
    return std::make_unique<OsaScriptRunner>();
#else
    return std::make_unique<PkexecRunner>();
#endif
}

} // namespace tarnwick
