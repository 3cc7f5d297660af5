// One application's leftovers scan against find(1) walking the same roots to the same depths, on a home
// with a few hundred thousand entries below ~/Library and the dot-folders: the whole `tarnwick-cli scan
// APP` (finding the installed apps and reading their signatures included), and its inner step
// ResidualScanner::scan. With --before, the whole command of another build against this one's, in turn.

#include "BenchmarkCommand.h"
#include "Measure.h"
#include "catalogue/AppScanner.h"
#include "catalogue/BundleIdentifier.h"
#include "platform/Platform.h"
#include "platform/Text.h"
#include "residuals/AppIdentifiers.h"
#include "residuals/DeepSearch.h"
#include "residuals/InstalledIdentities.h"
#include "residuals/LibrarySweep.h"
#include "residuals/MatchedName.h"
#include "residuals/NameMatcher.h"
#include "residuals/ResidualScanner.h"
#include "residuals/SeenFolders.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
namespace Measure = tarnwick::bench::Measure;
using namespace tarnwick;
using namespace tarnwick::ResidualScanner;

// A folder the scan walks, and the deepest level it looks at there (1: the folder's own children).
struct Walk {
    fs::path root;
    int depth = 0;
};

bool isFolder(const fs::path& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

// Every walk the scan makes for `app`, derived as the scan derives it, in its order, missing folders left
// out: the children of the twenty Library folders, the deep search (dot-folders, the vendor's folders, the
// per-user cache and temporary folders), the developer's own folders, which are walked a second time, and
// the children of the home, its Music and its Movies folders.
std::vector<Walk> scanWalks(const InstalledApp& app, const Platform& platform) {
    std::vector<Walk> walks;
    const auto add = [&walks](const fs::path& root, int depth) {
        if (isFolder(root)) {
            walks.push_back({root, depth});
        }
    };
    for (const auto& location : libraryLocations(platform.home() / "Library", platform)) {
        add(location.url, 1);
    }
    SeenFolders searched;
    for (const auto& root : deepSearchRoots(platform.home(), app, platform)) {
        if (searched.firstVisit(root.url)) {
            add(root.url, root.depth);
        }
    }
    // The candidates of addVendorFolders, which keeps them to itself.
    const auto vendor = BundleIdentifier::vendorToken(app.bundleID);
    if (vendor && Text::characterCount(*vendor) >= 4) {
        const auto library = platform.home() / "Library";
        const std::string capitalised = Text::titleCased(*vendor);
        SeenFolders developer;
        for (const auto& candidate :
             {library / "Application Support" / *vendor, library / "Application Support" / capitalised,
              library / *vendor, library / capitalised}) {
            if (developer.firstVisit(candidate)) {
                add(candidate, 3);
            }
        }
    }
    add(platform.home(), 1);
    add(platform.home() / "Music", 1);
    add(platform.home() / "Movies", 1);
    return walks;
}

// One find per depth, each over all the roots walked to that depth: the walks of one process per root
// would be the same, plus a start-up each.
std::vector<std::vector<std::string>> findCommands(const std::vector<Walk>& walks) {
    std::map<int, std::vector<std::string>> rootsByDepth;
    for (const auto& walk : walks) {
        rootsByDepth[walk.depth].push_back(walk.root.string());
    }
    std::vector<std::vector<std::string>> commands;
    for (const auto& [depth, roots] : rootsByDepth) {
        std::vector<std::string> command{"find"};
        command.insert(command.end(), roots.begin(), roots.end());
        command.insert(command.end(), {"-mindepth", "1", "-maxdepth", std::to_string(depth)});
        commands.push_back(std::move(command));
    }
    return commands;
}

std::int64_t listedEntries(std::vector<std::string> command) {
    command.insert(command.end(), {"-printf", "x"});
    return static_cast<std::int64_t>(Measure::commandOutput(command).size());
}

std::int64_t entriesBelow(const fs::path& folder) {
    return isFolder(folder) ? Measure::findListing(folder).entries : 0;
}

std::vector<InstalledApp> findApps(const Platform& platform) {
    std::vector<InstalledApp> apps;
    AppScanner::scan(platform, [&apps](InstalledApp app) { apps.push_back(std::move(app)); });
    return apps;
}

// How many children of the app's walks outside the Library folders are named by its bundle identifier:
// every generated app has its Library leftovers, only some have more.
std::int64_t namedChildren(const InstalledApp& app, const Platform& platform,
                           std::map<std::string, std::vector<std::string>>& namesByRoot) {
    const std::string bundleID = Text::lowercased(app.bundleID);
    std::int64_t count = 0;
    for (const auto& walk : scanWalks(app, platform)) {
        if (walk.depth == 1) {
            continue;
        }
        auto [cached, added] = namesByRoot.try_emplace(walk.root.string());
        if (added) {
            std::error_code error;
            for (fs::directory_iterator entry(walk.root, error), end; !error && entry != end;
                 entry.increment(error)) {
                const auto name = entry->path().filename().string();
                cached->second.push_back(Text::lowercased(matchedName(name, entry->is_directory(error))));
            }
        }
        count += std::count_if(cached->second.begin(), cached->second.end(),
                               [&](const std::string& name) { return matchesIdentifier(name, bundleID); });
    }
    return count;
}

// The app named on the command line (by name, bundle identifier or bundle file name), else the one whose
// identifier names the most children of the dot-folders, vendor and per-user folders, the first on a tie.
const InstalledApp& chooseApp(const std::vector<InstalledApp>& apps, const Platform& platform,
                              const std::string& wanted) {
    if (!wanted.empty()) {
        const auto found = std::find_if(apps.begin(), apps.end(), [&](const InstalledApp& app) {
            return app.name == wanted || app.bundleID == wanted || app.url.filename() == wanted;
        });
        if (found == apps.end()) {
            throw std::runtime_error("no installed app is named " + wanted);
        }
        return *found;
    }
    if (apps.empty()) {
        throw std::runtime_error("the tree holds no app");
    }
    std::map<std::string, std::vector<std::string>> namesByRoot;
    const InstalledApp* chosen = &apps.front();
    std::int64_t most = -1;
    for (const auto& app : apps) {
        if (const auto count = namedChildren(app, platform, namesByRoot); count > most) {
            most = count;
            chosen = &app;
        }
    }
    return *chosen;
}

std::string walksText(const std::vector<Walk>& walks) {
    std::map<int, int> rootsByDepth;
    for (const auto& walk : walks) {
        ++rootsByDepth[walk.depth];
    }
    std::string text;
    for (const auto& [depth, roots] : rootsByDepth) {
        text += (text.empty() ? "" : ", ") + std::to_string(roots) + " to depth " + std::to_string(depth);
    }
    return text;
}

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

std::string millisecondsText(double seconds) {
    return std::to_string(static_cast<long long>(std::llround(seconds * 1000)));
}

// The whole command of another build (the one before a change) against this one's, in turn, each run's
// order the reverse of the last's: the smallest, the median and the largest time of each, and how much
// longer this build's median is.
void compareWithBefore(int runs, const std::vector<std::string>& scanCommand, const std::string& before) {
    std::vector<std::string> beforeCommand = scanCommand;
    beforeCommand.front() = before;
    Measure::runQuietly(beforeCommand);
    const int timedRuns = std::max(runs, 11);
    const auto times = Measure::alternatingTimes(
        timedRuns, {[&] { Measure::runQuietly(beforeCommand); }, [&] { Measure::runQuietly(scanCommand); }});
    const auto median = [](const std::vector<double>& sorted) { return sorted[sorted.size() / 2]; };
    std::cout << "\nthe whole command before and after, " << timedRuns
              << " runs each in turn (min / median / max)\n";
    const char* names[] = {"before: ", "after:  "};
    for (std::size_t index = 0; index < times.size(); ++index) {
        std::cout << "  " << names[index] << millisecondsText(times[index].front()) << " / "
                  << millisecondsText(median(times[index])) << " / " << millisecondsText(times[index].back())
                  << " ms\n";
    }
    const double change = median(times[1]) / median(times[0]) - 1;
    std::cout << "  after against before: " << (change >= 0 ? "+" : "") << std::llround(change * 1000) / 10.0
              << "% (median), target at most +10%: " << (change <= 0.10 ? "met" : "MISSED") << '\n';
}

void benchmark(const fs::path& tree, int runs, const std::string& wanted, const std::string& cli,
               const std::string& before) {
    const auto platform = Platform::rooted(tree);
    const auto apps = findApps(platform);
    const auto installed = InstalledIdentities::read(apps);
    const auto& app = chooseApp(apps, platform, wanted);
    const auto others = installed.without(app.url);
    const auto walks = scanWalks(app, platform);
    const auto finds = findCommands(walks);

    const std::vector<std::string> scanCommand = {cli, "--root", tree.string(), "scan", app.url.string()};
    std::vector<std::string> jsonCommand = scanCommand;
    jsonCommand.push_back("--json");

    // The first run of each only warms the cache.
    const auto items = ResidualScanner::scan(app, platform, others);
    // Every finding's path, and the app's.
    const auto printed = occurrences(Measure::commandOutput(jsonCommand), "\"path\":") - 1;
    Measure::runQuietly(scanCommand);
    std::int64_t listed = 0;
    for (const auto& command : finds) {
        listed += listedEntries(command);
    }
    std::vector<std::string> du{"du", "-s", "--apparent-size", "-B1"};
    std::int64_t bytes = 0;
    std::int64_t selected = 0;
    std::map<std::string, int> byReason;
    for (const auto& item : items) {
        du.push_back(item.url.string());
        bytes += item.size;
        selected += item.selected ? 1 : 0;
        ++byReason[item.reason];
    }
    Measure::runQuietly(du);

    const auto home = platform.home();
    const auto perUser = platform.temporaryFolder().parent_path();
    const auto library = entriesBelow(home / "Library") + 1;
    std::int64_t dotFolders = 0;
    std::error_code error;
    for (fs::directory_iterator entry(home, error), end; !error && entry != end; entry.increment(error)) {
        if (entry->path().filename().native().starts_with('.')) {
            dotFolders += 1 + entriesBelow(entry->path());
        }
    }
    std::cout << "tree: " << tree.string() << "\nhome: " << library + dotFolders
              << " entries in ~/Library and the dot-folders (" << library << " and " << dotFolders
              << "), per-user cache and temporary folders: "
              << entriesBelow(perUser / "C") + entriesBelow(perUser / "T") << "\napp: " << app.name << " ("
              << app.bundleID << "), " << apps.size() << " apps installed\nwalks: " << walks.size()
              << " roots (" << walksText(walks) << "), " << listed
              << " entries listed by find\nfindings: " << items.size() << " (" << selected
              << " preselected), " << bytes << " bytes\n";
    for (const auto& [reason, count] : byReason) {
        std::cout << "  " << count << " \u00d7 " << reason << '\n';
    }
    std::cout << runs
              << " runs of each taken in turn, every other round in reverse order, after a warm-up "
                 "run\n";

    std::vector<std::vector<std::string>> startUps;
    for (const auto& command : finds) {
        startUps.push_back({"find", command[1], "-mindepth", "1", "-maxdepth", "0"});
    }
    const auto spreads = Measure::alternatingSpreads(
        runs, {[&] {
                   for (const auto& find : finds) {
                       Measure::runQuietly(find);
                   }
               },
               [&] { Measure::runQuietly(scanCommand); },
               [&] { ResidualScanner::scan(app, platform, others); }, [&] { Measure::runQuietly(du); },
               [&] {
                   for (const auto& startUp : startUps) {
                       Measure::runQuietly(startUp);
                   }
               }});
    const double findSeconds = spreads[0].median;
    const double commandSeconds = spreads[1].median;
    const double scanSeconds = spreads[2].median;
    const double duSeconds = spreads[3].median;
    const double startSeconds = spreads[4].median;

    const auto ratio = commandSeconds / findSeconds;
    std::cout << "\none app's scan (ratio: time relative to find over the same roots and depths; whole "
                 "commands as median (fastest\u2013slowest))\n";
    Measure::printRow("find -mindepth 1 -maxdepth N, one per depth", spreads[0], 1.0,
                      std::to_string(finds.size()) + " processes, " + std::to_string(listed) + " entries");
    Measure::printRow("  of which starting them (-maxdepth 0)", startSeconds, startSeconds / findSeconds);
    Measure::printRow("tarnwick-cli scan APP", spreads[1], ratio,
                      "the whole command: " + std::to_string(apps.size()) + " apps and signatures read, " +
                          std::to_string(printed) + " findings measured");
    Measure::printRow("  ResidualScanner::scan", scanSeconds, scanSeconds / findSeconds,
                      "its inner step: " + std::to_string(items.size()) + " findings, measured");
    Measure::printRow("du -s over the findings", duSeconds, duSeconds / findSeconds,
                      "what measuring them costs du");
    Measure::printTableRow("scan APP, " + std::to_string(apps.size()) + " apps", spreads[1], spreads[0],
                           "find over the same roots and depths");
    std::cout << "  target: the whole command at most 1.5 \u00d7 find: " << (ratio <= 1.5 ? "met" : "MISSED")
              << '\n';
    if (!before.empty()) {
        compareWithBefore(runs, scanCommand, before);
    }
    if (printed != items.size()) {
        throw std::runtime_error("tarnwick-cli printed " + std::to_string(printed) +
                                 " findings, the scan found " + std::to_string(items.size()));
    }
    if (items.size() <= 1) {
        throw std::runtime_error("the scan found nothing but the app: choose another with --app");
    }
}

} // namespace

int main(int argc, char** argv) {
    tarnwick::bench::BenchmarkCommand command(
        "Measures tarnwick-cli scan and its inner step against find(1) over the same roots, to the same "
        "depths.",
        {.output = {},
         .apps = 1'000,
         .files = 200'000,
         .seed = 1,
         .signsApps = true,
         .libraryEntries = 20'000,
         .dotFolderEntries = 40'000});
    std::string app;
    command.options().add_option("--app", app,
                                 "The app to scan, by name, bundle identifier or file name (default: the "
                                 "one whose identifier names the most entries outside the Library)");
    std::string cli = TARNWICK_CLI_PATH;
    command.options().add_option("--cli", cli, "The tarnwick-cli to time")->capture_default_str();
    std::string before;
    command.options().add_option("--before", before,
                                 "Another build's tarnwick-cli (the one before a change) to time the whole "
                                 "command against, in turn, at least 11 runs each");
    return command.run(argc, argv, [&app, &cli, &before](const fs::path& tree, int runs) {
        benchmark(tree, runs, app, cli, before);
    });
}
