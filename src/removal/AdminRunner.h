#pragma once

#include "removal/AdminRequest.h"

#include <memory>

namespace tarnwick {

// Carries out the administrator step: after the system asked the user for authorisation, our helper
// moves the items of the request with administrator rights and says what became of each.
class AdminRunner {
public:
    virtual ~AdminRunner() = default;

    // Never throws: a step that cannot run says so in the outcome.
    virtual AdminOutcome run(const AdminRequest& request) = 0;

    // The helper beside this program, started through osascript on macOS and pkexec elsewhere.
    static std::unique_ptr<AdminRunner> forThisSystem();
};

} // namespace tarnwick
