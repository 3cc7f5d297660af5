#include "removal/AdminRunner.h"

#include "removal/AdminLaunch.h"

#include <string>
#include <string_view>

namespace tarnwick {

namespace {

constexpr std::string_view underAnotherRoot =
    "Administrator rights are used only on the disk this system runs from, not on one looked at under "
    "another folder.";

// The helper beside this program, with the system's authorisation prompt in front of it.
class SystemAdminRunner : public AdminRunner {
public:
    AdminOutcome run(const AdminRequest& request) override {
        // The helper refuses a disk mounted elsewhere anyway: asking for a password first would be no use.
        if (!request.places.systemRoot.empty()) {
            return {false, std::string(underAnotherRoot), {}};
        }
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
