// The leftovers scan: `tarnwick-cli leftovers` end to end, and its three steps in-process (finding the
// apps, reading their signatures, listing and measuring the Library folders), against du(1) over the same
// Library folders.

#include "BenchmarkCommand.h"
#include "Measure.h"
#include "catalogue/AppScanner.h"
#include "platform/Platform.h"
#include "residuals/InstalledIdentities.h"
#include "residuals/OrphanScanner.h"

#include <cstdint>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
namespace Measure = tarnwick::bench::Measure;
using namespace tarnwick;

// The folders the scan lists, as far as they exist.
std::vector<std::string> libraryFolders(const Platform& platform) {
    std::vector<fs::path> folders;
    for (const char* name : {"Application Support", "Caches", "Preferences", "Logs", "Containers",
                             "Group Containers", "Saved Application State"}) {
        folders.push_back(platform.home() / "Library" / name);
    }
    for (const char* name :
         {"/Library/Application Support", "/Library/Caches", "/Library/Preferences", "/Library/Logs"}) {
        folders.push_back(platform.system(name));
    }
    std::vector<std::string> existing;
    for (const auto& folder : folders) {
        std::error_code error;
        if (fs::is_directory(folder, error)) {
            existing.push_back(folder.string());
        }
    }
    return existing;
}

std::int64_t directEntries(const std::vector<std::string>& folders) {
    std::int64_t count = 0;
    for (const auto& folder : folders) {
        std::error_code error;
        for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
             entry.increment(error)) {
            ++count;
        }
    }
    return count;
}

std::vector<InstalledApp> findApps(const Platform& platform) {
    std::vector<InstalledApp> apps;
    AppScanner::scan(platform, [&apps](InstalledApp app) { apps.push_back(std::move(app)); });
    return apps;
}

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

void benchmark(const fs::path& tree, int runs, const std::string& cli) {
    const auto platform = Platform::rooted(tree);
    const auto folders = libraryFolders(platform);
    std::vector<std::string> du = {"du", "-s", "--apparent-size", "-B1"};
    du.insert(du.end(), folders.begin(), folders.end());
    const std::vector<std::string> command = {cli, "--root", tree.string(), "leftovers", "--json"};

    // The first run of each only warms the cache.
    const auto apps = findApps(platform);
    const auto installed = InstalledIdentities::read(apps);
    const auto items = OrphanScanner::scan(installed, platform);
    std::size_t signedApps = 0;
    for (const auto& entry : installed.entries()) {
        signedApps += entry.identity.teamID ? 1 : 0;
    }
    const auto printed = occurrences(Measure::commandOutput(command), "\"path\":");
    Measure::runQuietly(du);

    std::cout << "tree: " << tree.string() << "\napps: " << apps.size() << " (" << signedApps
              << " signed), entries in the " << folders.size()
              << " Library folders: " << directEntries(folders) << ", leftovers found: " << items.size()
              << "\nmedian of " << runs << " runs after a warm-up run\n";

    const auto duSeconds = Measure::medianSeconds(runs, [&] { Measure::runQuietly(du); });
    const auto cliSeconds = Measure::medianSeconds(runs, [&] { Measure::runQuietly(command); });
    const auto appsSeconds = Measure::medianSeconds(runs, [&] { findApps(platform); });
    const auto identitiesSeconds = Measure::medianSeconds(runs, [&] { InstalledIdentities::read(apps); });
    const auto scanSeconds = Measure::medianSeconds(runs, [&] { OrphanScanner::scan(installed, platform); });

    std::cout << "\nleftovers (ratio: time relative to du over the same folders)\n";
    Measure::printRow("du -s --apparent-size over the Library folders", duSeconds, 1.0);
    Measure::printRow("tarnwick-cli leftovers --json", cliSeconds, cliSeconds / duSeconds,
                      std::to_string(printed) + " items");
    Measure::printRow("  AppScanner::scan", appsSeconds, appsSeconds / duSeconds,
                      std::to_string(apps.size()) + " apps");
    Measure::printRow("  InstalledIdentities::read", identitiesSeconds, identitiesSeconds / duSeconds,
                      std::to_string(apps.size()) + " signatures");
    Measure::printRow("  OrphanScanner::scan (list, match, measure)", scanSeconds, scanSeconds / duSeconds,
                      std::to_string(items.size()) + " items");
    if (printed != items.size()) {
        throw std::runtime_error("tarnwick-cli printed " + std::to_string(printed) +
                                 " items, the scan found " + std::to_string(items.size()));
    }
}

} // namespace

int main(int argc, char** argv) {
    tarnwick::bench::BenchmarkCommand command(
        "Measures tarnwick-cli leftovers and its steps against du(1) over the Library folders it reads.",
        {.output = {},
         .apps = 1'000,
         .files = 20'000,
         .seed = 1,
         .signsApps = true,
         .libraryEntries = 20'000});
    std::string cli = TARNWICK_CLI_PATH;
    command.options().add_option("--cli", cli, "The tarnwick-cli to time")->capture_default_str();
    return command.run(argc, argv, [&cli](const fs::path& tree, int runs) { benchmark(tree, runs, cli); });
}
