#include "cli/ScanCommand.h"

#include "catalogue/ByteFormat.h"
#include "catalogue/FileUtilities.h"
#include "cli/AppCatalogue.h"
#include "cli/AppsCommand.h"
#include "cli/ResidualReport.h"
#include "residuals/InstalledIdentities.h"
#include "residuals/ResidualScanner.h"

#include <ostream>

namespace tarnwick {

int ScanCommand::run(CommandContext& context, const std::string& application) {
    const std::vector<InstalledApp> installed = AppCatalogue::scan(context.platform, context.progress);
    InstalledApp app = AppCatalogue::find(installed, context.platform, application);
    if (!app.size) {
        app.size = FileUtilities::fileSize(app.url);
    }
    const std::vector<ResidualItem> items = findings(context, installed, app);

    if (context.json) {
        ResidualReport::printJson(
            context.out, {{"app", AppsCommand::appJson(app)}, {"items", ResidualReport::itemsJson(items)}});
        return 0;
    }
    context.out << app.name << "  " << app.version << (app.bundleID.empty() ? "" : "  " + app.bundleID)
                << (app.isSystem ? "  (system)" : "") << '\n'
                << app.url.string() << "  " << ByteFormat::string(*app.size) << "\n\n";
    if (items.empty()) {
        context.out << "Nothing found that " << app.name << " left behind.\n";
        return 0;
    }
    ResidualReport::print(context.out, items, {.reasons = ResidualReport::Reasons::afterPossibleItems});
    return 0;
}

std::vector<ResidualItem> ScanCommand::findings(CommandContext& context,
                                                const std::vector<InstalledApp>& installed,
                                                const InstalledApp& app) {
    // What the other applications declare decides which data is shared or theirs.
    context.progress.show("Reading signatures\u2026", true);
    const InstalledIdentities others = InstalledIdentities::read(installed).without(app.url);
    context.progress.show("Looking for what " + app.name + " left behind\u2026", true);
    std::vector<ResidualItem> items = ResidualScanner::scan(app, context.platform, others);
    context.progress.clear();
    return items;
}

} // namespace tarnwick
