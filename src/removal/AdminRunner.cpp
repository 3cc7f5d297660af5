#include "removal/AdminRunner.h"

#include "removal/AdminLaunch.h"

namespace tarnwick {

namespace {

// The helper beside this program, with the system's authorisation prompt in front of it.
class SystemAdminRunner : public AdminRunner {
public:
    AdminOutcome run(const AdminRequest& request) override {
        const auto helper = AdminLaunch::helperBesideThisProgram();
        if (!helper) {
            return {false, "The administrator helper of Tarnwick is missing; reinstall Tarnwick.", {}};
        }
        return AdminLaunch::withAdministratorPrivileges(*helper, request);
    }
};

} // namespace

std::unique_ptr<AdminRunner> AdminRunner::forThisSystem() {
    return std::make_unique<SystemAdminRunner>();
}

} // namespace tarnwick
