#pragma once

#include <string>

namespace tarnwick {

// A job launchd runs from a property list among a removal's items: stopped before the list moves, so that
// it does not run on from the Trash, and started again when the list is put back.
struct LaunchJob {
    enum class Domain {
        user,   // an agent, in the user's own session
        system, // a daemon, which only an administrator may stop or start
    };

    std::string label;
    std::string plist; // where the property list was: where a restore puts it back
    Domain domain = Domain::user;
    // A daemon handed to the administrator step whose answer never came (the removal was cut short): its
    // helper stopped it only if launchd ran it from that list, and its own ledger says whether it did.
    bool pending = false;

    friend bool operator==(const LaunchJob&, const LaunchJob&) = default;
};

} // namespace tarnwick
