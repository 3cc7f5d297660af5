#pragma once

#include <memory>
#include <string>

namespace tarnwick {

// Runs one administrator script, after the system has asked the user for authorisation.
class AdminRunner {
public:
    struct Outcome {
        // The script ran to its end and reported no error.
        bool succeeded = false;
        // What the script service reported on failure; empty when it said nothing.
        std::string errorMessage;
    };

    virtual ~AdminRunner() = default;

    // `scriptSource` is an AppleScript "do shell script ... with administrator privileges" text, as
    // AdminScript::source builds it.
    virtual Outcome run(const std::string& scriptSource) = 0;

    // osascript on macOS, pkexec elsewhere.
    static std::unique_ptr<AdminRunner> forThisSystem();
};

} // namespace tarnwick
