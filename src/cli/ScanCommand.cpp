#include "cli/ScanCommand.h"

#include "catalogue/ByteFormat.h"
#include "catalogue/FileUtilities.h"
#include "cli/ResidualReport.h"
#include "platform/Text.h"
#include "session/ReportJson.h"
#include "session/ResidualSearch.h"

#include <ostream>

namespace tarnwick {

int ScanCommand::run(CommandContext& context, const std::string& application) {
    const std::vector<InstalledApp> installed = context.installedApps();
    InstalledApp app = context.findApp(installed, application);
    // Measured once, here: the scan gives the bundle's finding the size of the record it is handed.
    if (!app.size) {
        app.size = FileUtilities::fileSize(app.url);
    }
    const std::vector<ResidualItem> items = findings(context, installed, app);

    if (context.json) {
        ResidualReport::printJson(
            context.out, {{"app", ReportJson::appJson(app)}, {"items", ReportJson::itemsJson(items)}});
        return 0;
    }
    context.out << Text::printable(app.name) << "  " << Text::printable(app.version)
                << (app.bundleID.empty() ? "" : "  " + Text::printable(app.bundleID))
                << (app.isSystem ? "  (system)" : "") << '\n'
                << Text::printable(app.url.native()) << "  " << ByteFormat::string(*app.size) << "\n\n";
    if (items.empty()) {
        context.out << "Nothing found that " << Text::printable(app.name) << " left behind.\n";
        return 0;
    }
    ResidualReport::print(context.out, items, {.reasons = ResidualReport::Reasons::afterPossibleItems});
    return 0;
}

std::vector<ResidualItem> ScanCommand::findings(CommandContext& context,
                                                const std::vector<InstalledApp>& installed,
                                                const InstalledApp& app) {
    context.progress.show("Reading signatures\u2026", true);
    const ResidualSearch search(installed, context.platform);
    context.progress.show("Looking for what " + app.name + " left behind\u2026", true);
    std::vector<ResidualItem> items = completed(search.forApp(app));
    context.progress.clear();
    return items;
}

} // namespace tarnwick
