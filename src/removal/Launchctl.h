#pragma once

#include "formats/PlistValue.h"
#include "platform/CommandRunner.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// What the removal and the administrator helper ask of launchctl, and the words they use for it: one
// way to tell whether a job runs from a given property list, whoever stops it.
namespace Launchctl {

inline constexpr std::string_view program = "/bin/launchctl";

// The runner for launchctl on this system: the real one on a Mac; elsewhere, with no launchd, one that
// runs nothing and answers that it did, so that no job ever runs from any list.
std::unique_ptr<CommandRunner> runnerForThisSystem();

// The Label a property list names; nothing for a list without one, an empty one, or one holding a
// character that would not come back unchanged through a line of the helper's answer.
std::optional<std::string> labelIn(const PlistValue& plist);

// Whether launchd has the job `service` ("gui/501/<label>", "system/<label>") loaded from the list at
// `plist` itself: a label names no list, and another list may carry the same one.
bool runsFrom(CommandRunner& commands, const std::string& service, const std::string& plist);

struct Answer {
    std::optional<std::string> failure; // why it failed, as launchctl said it
    bool wasNotLoaded = false;          // the harmless status came back: there was no job to stop
};

// launchctl with `arguments`. `harmlessStatus`, when not 0, is no failure: the job was not loaded.
Answer run(CommandRunner& commands, const std::vector<std::string>& arguments, int harmlessStatus = 0);

// The status of a bootout whose job was not loaded (ESRCH): nothing to stop.
inline constexpr int notLoaded = 3;

// "<list name> (<label>)", as the lines below name a job.
std::string jobName(std::string_view plist, std::string_view label);
// The lines for a job that could not be stopped, or started again; `until` says when it stops or starts
// by itself ("you log out", "the Mac restarts").
std::string couldNotStop(std::string_view plist, std::string_view label, std::string_view reason,
                         std::string_view until);
std::string couldNotStart(std::string_view plist, std::string_view label, std::string_view reason,
                          std::string_view until);

} // namespace Launchctl
} // namespace tarnwick
