#include "cli/AppsCommand.h"

#include "catalogue/ByteFormat.h"
#include "cli/TextTable.h"
#include "session/ReportJson.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <ostream>

namespace tarnwick {

int AppsCommand::run(CommandContext& context) {
    const std::vector<InstalledApp> apps = context.installedApps(true);

    if (context.json) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const auto& app : apps) {
            list.push_back(ReportJson::appJson(app));
        }
        context.out << list.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
        return 0;
    }

    if (apps.empty()) {
        context.out << "No applications found.\n";
        return 0;
    }
    TextTable table(
        {{"Name"}, {"Version"}, {"Bundle Identifier"}, {"Size", TextTable::Alignment::right}, {"Path"}});
    for (const auto& app : apps) {
        table.addRow({app.isSystem ? app.name + " (system)" : app.name, app.version, app.bundleID,
                      ByteFormat::string(app.size.value_or(0)), app.url.string()});
    }
    table.print(context.out);
    const auto systemCount =
        std::count_if(apps.begin(), apps.end(), [](const auto& app) { return app.isSystem; });
    context.out << '\n'
                << apps.size() << (apps.size() == 1 ? " application" : " applications") << ", " << systemCount
                << " from the system.\n";
    return 0;
}

} // namespace tarnwick
