#pragma once

#include "removal/AdminRequest.h"

#include <optional>
#include <ostream>
#include <string>
#include <sys/types.h>
#include <vector>

namespace tarnwick {

// The administrator helper: moves items the user may not move into a batch folder of their Trash. It may
// run as root on the say of whoever started it, so it trusts no path: no link is followed on the way to
// any folder it touches, nothing is ever replaced, and the Trash and batch folder must belong to the user
// the system says asked.
namespace AdminHelper {

// What the system says about the process the helper runs in.
struct Caller {
    uid_t realUser = 0;
    uid_t effectiveUser = 0;
    std::optional<std::string> pkexecUser; // PKEXEC_UID: pkexec sets it to the user who ran it
    std::optional<std::string> namedUser;  // macOS only: the user the launcher named
};

Caller thisCaller();

// The user the helper acts for; nothing when no one can be named. Without superuser rights that is
// whoever runs it; as root what the system's authorisation step passed on, or root itself when root
// started it. Root rights gained any other way (a set-user-ID file) name no one.
std::optional<uid_t> requester(const Caller& caller);

// Carries out `request` for `requester`, writing one answer line per move to `output` as each is done.
// Returns why the request was refused as a whole (nothing moved, nothing written); nothing when accepted,
// whatever became of the single moves.
std::optional<std::string> run(const AdminRequest& request, uid_t requester, std::ostream& output);

// The program: `arguments` without the program's name. Returns the exit status: 0 when the request was
// accepted, 1 when it was refused, 2 when the arguments were not a request.
int main(const std::vector<std::string>& arguments, const Caller& caller, std::ostream& output,
         std::ostream& errors);

} // namespace AdminHelper
} // namespace tarnwick
