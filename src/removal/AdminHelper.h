#pragma once

#include "platform/CommandRunner.h"
#include "removal/AdminRequest.h"

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <sys/types.h>
#include <vector>

namespace tarnwick {

// The administrator helper: moves items the user may not move into a batch folder of their Trash, and
// puts such items back. It may run as root on the say of a process the user runs, so it decides
// everything for itself: who asked comes from the system, every path is judged by the removal's own
// policy for that user, the Trash is the one the rules give for that user and that disk, the way back
// comes from its own record, no link is followed on the way to any folder it touches, nothing is ever
// replaced, and it stops once the process that asked is gone.
namespace AdminHelper {

// What the system says about the process the helper runs in.
struct Caller {
    uid_t realUser = 0;
    uid_t effectiveUser = 0;
    // The user the system's authorisation step acted for: pkexec's PKEXEC_UID on Linux, the first
    // ancestor process not run by root on macOS. Believed only when root started the helper.
    std::optional<std::string> authorisedUser;
};

Caller thisCaller();

// The user the helper acts for; nothing when no one can be named. Without superuser rights, whoever runs
// it. As root: for a set-user-ID start the real user, never the environment it brought; when root
// started it, the user the authorisation step acted for, or root itself when there was none.
std::optional<uid_t> requester(const Caller& caller);

// On whose behalf, and how far the request itself is believed.
struct Authority {
    uid_t requester = 0;
    // No rights beyond the requester's (tests, or the user running it by hand): the places the request
    // names are believed, since nothing could be done with them that the user could not do anyway.
    bool believesPlaces = false;
    // Whether the process that asked still waits for the answer; nothing moves once it is gone.
    std::function<bool()> askerIsWaiting;
};

// Whether `parent` is still the process that waits for this one: its parent on Linux, an ancestor on
// macOS, where the authorisation step puts its own processes between the two.
bool isWaiting(pid_t parent);

// Carries out `request`, writing the answer lines of each move to `output` as each is done. Before moving
// a daemon's list out of the system's folder of daemons it stops the daemon, and once it has put one back
// it starts the daemon it stopped, through `launchctl`; only as the list it opened itself names it, and
// only when launchd runs it from that very list. Returns why the request was refused as a whole (nothing
// moved); nothing when it was carried out, whatever became of the single moves.
std::optional<std::string> run(const AdminRequest& request, const Authority& authority, std::ostream& output,
                               CommandRunner& launchctl);

// The program: `arguments` without the program's name. Returns the exit status: 0 when the request was
// carried out, 1 when it was refused, 2 when the arguments were not a request.
int main(const std::vector<std::string>& arguments, const Caller& caller, std::ostream& output,
         std::ostream& errors);

} // namespace AdminHelper
} // namespace tarnwick
