#pragma once

#include <functional>
#include <optional>
#include <string>

namespace tarnwick::testing {

// Runs `work` in a child process without superuser rights (as "nobody" when the tests run as root,
// since permission bits do not stop root) and returns what it printed. Nothing when privileges could not
// be dropped. The files `work` needs must be reachable by that user.
std::optional<std::string> runUnprivileged(const std::function<std::string()>& work);

} // namespace tarnwick::testing
