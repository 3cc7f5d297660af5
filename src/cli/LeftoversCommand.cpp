#include "cli/LeftoversCommand.h"

#include "catalogue/ByteFormat.h"
#include "cli/ResidualReport.h"
#include "platform/ScanControl.h"
#include "session/ReportJson.h"
#include "session/ResidualSearch.h"

#include <ostream>
#include <string>
#include <vector>

namespace tarnwick {

int LeftoversCommand::run(CommandContext& context) {
    // Every installed application protects its files, the system's own included; sizes are not needed.
    const std::vector<InstalledApp> apps = context.installedApps();
    context.progress.show("Reading signatures of " + std::to_string(apps.size()) +
                              (apps.size() == 1 ? " application\u2026" : " applications\u2026"),
                          true);
    const ResidualSearch search(apps, context.platform);
    context.progress.show("Looking for leftovers\u2026", true);
    const auto showMeasuring = [&](const ScanProgress& scan) {
        if (scan.isMeasuring()) {
            context.progress.show("Measuring\u2026 " + std::to_string(scan.measured) + " of " +
                                  std::to_string(scan.toMeasure));
        }
    };
    const std::vector<ResidualItem> items = completed(search.orphans({.progress = showMeasuring}));
    context.progress.clear();

    if (context.json) {
        ResidualReport::printJson(context.out, {{"items", ReportJson::itemsJson(items)}});
        return 0;
    }
    if (items.empty()) {
        context.out << "No leftovers found: every identifier-like item in the Library folders belongs to an "
                       "installed application or to macOS.\n";
        return 0;
    }
    context.out << items.size() << (items.size() == 1 ? " item" : " items")
                << " named after applications that are no longer installed, "
                << ByteFormat::string(totalSize(items)) << " in total.\n\n";
    ResidualReport::print(context.out, items, {.reasons = ResidualReport::Reasons::oncePerSection});
    return 0;
}

} // namespace tarnwick
