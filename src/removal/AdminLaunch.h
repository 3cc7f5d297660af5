#pragma once

#include "removal/AdminRequest.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick {

// The ways to start the administrator helper. Each answers one item outcome per move when the helper ran,
// and `ran = false` with the reason when it did not (a refused request counts as not run: nothing moved).
namespace AdminLaunch {

// The helper installed beside the running program; nothing when it is not there.
std::optional<std::filesystem::path> helperBesideThisProgram();

// As the user running this program, without asking anyone.
AdminOutcome direct(const std::filesystem::path& helper, const AdminRequest& request);

#ifdef __APPLE__
// Through the script runner, which asks for an administrator's password and runs the helper as root.
AdminOutcome throughOsascript(const std::filesystem::path& helper, const AdminRequest& request);
#else
// Through an authorisation tool as pkexec is one: `tool` is its program and first arguments, to which
// the helper and the request are added; it runs the helper in its own place once the user agrees, exits
// 126 when the user cancels and 127 when they may not.
AdminOutcome throughTool(const std::vector<std::string>& tool, const std::filesystem::path& helper,
                         const AdminRequest& request);

// Through pkexec, which asks polkit for authorisation and runs the helper as root.
AdminOutcome throughPkexec(const std::filesystem::path& helper, const AdminRequest& request);
#endif

// osascript on macOS, pkexec elsewhere.
AdminOutcome withAdministratorPrivileges(const std::filesystem::path& helper, const AdminRequest& request);

} // namespace AdminLaunch
} // namespace tarnwick
