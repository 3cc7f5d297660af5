#include "cli/AppsCommand.h"

#include "catalogue/ByteFormat.h"
#include "cli/AppCatalogue.h"
#include "cli/TextTable.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <ostream>

namespace tarnwick {

nlohmann::ordered_json AppsCommand::appJson(const InstalledApp& app) {
    return {{"path", app.url.string()},     {"name", app.name},
            {"bundleID", app.bundleID},     {"version", app.version},
            {"size", app.size.value_or(0)}, {"isSystem", app.isSystem}};
}

int AppsCommand::run(CommandContext& context) {
    const std::vector<InstalledApp> apps = AppCatalogue::load(context.platform, context.progress);

    if (context.json) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const auto& app : apps) {
            list.push_back(appJson(app));
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
