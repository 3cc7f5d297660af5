#include "cli/LeftoversCommand.h"

#include "catalogue/ByteFormat.h"
#include "cli/ResidualReport.h"
#include "platform/ScanControl.h"
#include "session/ReportJson.h"
#include "session/ResidualSearch.h"

#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace tarnwick {

namespace {

// {"items": [...]} exactly as ResidualReport::printJson lays out the whole document, written one item at
// a time: at tens of thousands of findings, that document would weigh several times what they do.
void printItemsJson(std::ostream& out, const std::vector<ResidualItem>& items) {
    if (items.empty()) {
        ResidualReport::printJson(out, {{"items", nlohmann::ordered_json::array()}});
        return;
    }
    // The item's own lines move right by the two levels it sits at; strings hold no line breaks, JSON
    // escapes them.
    const std::string indent = "    ";
    out << "{\n  \"items\": [\n";
    for (std::size_t index = 0; index < items.size(); ++index) {
        std::ostringstream item;
        ResidualReport::printJson(item, ReportJson::itemJson(items[index]));
        std::string text = item.str();
        text.pop_back(); // the line break after the document
        out << indent;
        std::size_t start = 0;
        for (std::size_t end = 0; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
            out.write(text.data() + start, static_cast<std::streamsize>(end - start)) << '\n' << indent;
        }
        out.write(text.data() + start, static_cast<std::streamsize>(text.size() - start));
        out << (index + 1 < items.size() ? ",\n" : "\n");
    }
    out << "  ]\n}\n";
}

} // namespace

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
        printItemsJson(context.out, items);
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
