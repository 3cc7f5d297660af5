#include "cli/IdentityCommand.h"

#include "catalogue/AppIdentityReader.h"
#include "platform/Text.h"

#include <nlohmann/json.hpp>
#include <ostream>

namespace tarnwick {

int IdentityCommand::run(CommandContext& context, const std::string& application) {
    const InstalledApp app = context.findApp(context.installedApps(), application);
    const AppIdentityReader::Identity identity = AppIdentityReader::read(app);

    if (context.json) {
        nlohmann::ordered_json result;
        result["teamID"] =
            identity.teamID ? nlohmann::ordered_json(*identity.teamID) : nlohmann::ordered_json();
        // A std::set is already sorted by byte order.
        result["entitlementIdentifiers"] = identity.entitlementIdentifiers;
        context.out << result.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
        return 0;
    }

    context.out << Text::printable(app.name) << "  " << Text::printable(app.url.native()) << '\n'
                << "Team identifier: " << Text::printable(identity.teamID.value_or("none")) << '\n';
    if (identity.entitlementIdentifiers.empty()) {
        context.out << "Entitlement identifiers: none\n";
        return 0;
    }
    context.out << "Entitlement identifiers:\n";
    for (const auto& identifier : identity.entitlementIdentifiers) {
        context.out << "  " << Text::printable(identifier) << '\n';
    }
    return 0;
}

} // namespace tarnwick
