#pragma once

#include <functional>
#include <optional>
#include <string>

namespace tarnwick::testing {

// Runs `work` in a child process without superuser rights (as "nobody" when the tests run as root,
// since permission bits do not stop root) and returns what it printed. Nothing when privileges could not
// be dropped. The files `work` needs must be reachable by that user.
std::optional<std::string> runUnprivileged(const std::function<std::string()>& work);

// Runs `work` in a child process with mounts of its own, so that it can mount a file system for a test,
// and returns what it returned. Nothing, with the reason in `why`, where the system allows no such thing
// (it needs root on Linux) or when `work` returns "skip:" and a reason.
std::optional<std::string> withPrivateMounts(const std::function<std::string()>& work, std::string& why);

} // namespace tarnwick::testing
