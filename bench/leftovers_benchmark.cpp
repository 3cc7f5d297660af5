// The leftovers scan: `tarnwick-cli leftovers --json` end to end and its three steps in-process (finding the
// apps, reading their signatures, listing and measuring the Library folders), against what the scan reads
// done by standard tools: find(1) listing the eleven Library folders and du(1) measuring the findings.
// Then the command's peak memory at 10,000 and 50,000 findings.

#include "BenchmarkCommand.h"
#include "Measure.h"
#include "catalogue/AppScanner.h"
#include "platform/FileOperations.h"
#include "platform/Platform.h"
#include "residuals/InstalledIdentities.h"
#include "residuals/OrphanScanner.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
namespace Measure = tarnwick::bench::Measure;
using namespace tarnwick;

// The folders the scan lists, as far as they exist.
std::vector<fs::path> libraryFolders(const Platform& platform) {
    std::vector<fs::path> folders;
    for (const char* name : {"Application Support", "Caches", "Preferences", "Logs", "Containers",
                             "Group Containers", "Saved Application State"}) {
        folders.push_back(platform.home() / "Library" / name);
    }
    for (const char* name :
         {"/Library/Application Support", "/Library/Caches", "/Library/Preferences", "/Library/Logs"}) {
        folders.push_back(platform.system(name));
    }
    std::vector<fs::path> existing;
    for (const auto& folder : folders) {
        std::error_code error;
        if (fs::is_directory(folder, error)) {
            existing.push_back(folder);
        }
    }
    return existing;
}

std::int64_t directEntries(const fs::path& folder) {
    std::int64_t count = 0;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        ++count;
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

// du over the findings, a few thousand paths per process as xargs would split them.
std::vector<std::vector<std::string>> duCommands(const std::vector<ResidualItem>& items) {
    constexpr std::size_t perCommand = 4000;
    std::vector<std::vector<std::string>> commands;
    for (std::size_t index = 0; index < items.size(); ++index) {
        if (index % perCommand == 0) {
            commands.push_back({"du", "-s", "--apparent-size", "-B1"});
        }
        commands.back().push_back(items[index].url.string());
    }
    return commands;
}

std::string megabytes(std::int64_t bytes) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(1) << static_cast<double>(bytes) / 1e6 << " MB";
    return text.str();
}

// Entries of applications no longer installed, added to the Library folders the scan reads, each one
// finding: files and small folders, named after vendors no installed app shares. Removed again at the end.
class AddedLeftovers {
public:
    explicit AddedLeftovers(std::vector<fs::path> folders)
        : folders_(std::move(folders)) {}
    ~AddedLeftovers() {
        for (const auto& path : added_) {
            std::error_code error;
            fs::remove_all(path, error);
        }
    }
    AddedLeftovers(const AddedLeftovers&) = delete;
    AddedLeftovers& operator=(const AddedLeftovers&) = delete;

    void growTo(std::size_t count) {
        while (added_.size() < count) {
            const std::size_t index = added_.size();
            const fs::path& folder = folders_[index % folders_.size()];
            const std::string name =
                "com.departed" + std::to_string(index % 97) + ".tool" + std::to_string(index);
            if (index % 2 == 0 || folder.filename() == "Preferences") {
                added_.push_back(folder / (name + ".plist"));
                FileOperations::writeFile(added_.back(), std::string(200, 'x'));
            } else {
                added_.push_back(folder / name);
                fs::create_directory(added_.back());
                FileOperations::writeFile(added_.back() / "data.db", std::string(2000, 'x'));
            }
        }
    }

private:
    std::vector<fs::path> folders_;
    std::vector<fs::path> added_;
};

// The peak memory of the command at the tree's own findings, then at 10,000 and 50,000.
void peakMemory(const fs::path& tree, const std::vector<fs::path>& folders,
                const std::vector<std::string>& command, std::size_t ownFindings) {
    std::cout << "\npeak memory of tarnwick-cli leftovers --json (its largest resident set)\n";
    AddedLeftovers added(folders);
    std::int64_t peakAtMost = 0;
    for (const std::size_t findings : {ownFindings, std::size_t{10'000}, std::size_t{50'000}}) {
        if (findings < ownFindings) {
            continue;
        }
        added.growTo(findings - ownFindings);
        const auto run = Measure::commandOutputAndPeak(command);
        const auto printed = occurrences(run.text, "\"path\":");
        std::cout << "  " << std::setw(8) << printed << " findings  " << std::setw(10)
                  << megabytes(run.peakBytes) << (findings == ownFindings ? "  the tree's own" : "") << '\n';
        if (printed != findings) {
            throw std::runtime_error("tarnwick-cli printed " + std::to_string(printed) + " items, " +
                                     std::to_string(findings) + " were expected in " + tree.string());
        }
        peakAtMost = std::max(peakAtMost, run.peakBytes);
    }
    std::cout << "table: leftovers, peak memory up to 50,000 findings|" << megabytes(peakAtMost)
              << "|under 100 MB|\n";
    std::cout << "  target: flat, under 100 MB at 50,000 findings: "
              << (peakAtMost < 100'000'000 ? "met" : "MISSED") << '\n';
}

void benchmark(const fs::path& tree, int runs, const std::string& cli) {
    const auto platform = Platform::rooted(tree);
    const auto folders = libraryFolders(platform);
    std::vector<std::string> find = {"find"};
    for (const auto& folder : folders) {
        find.push_back(folder.string());
    }
    find.insert(find.end(), {"-mindepth", "1", "-maxdepth", "1"});
    const std::vector<std::string> command = {cli, "--root", tree.string(), "leftovers", "--json"};

    // The first run of each only warms the cache.
    const auto apps = findApps(platform);
    const auto installed = InstalledIdentities::read(apps);
    const auto items = OrphanScanner::scan(installed, platform);
    const auto du = duCommands(items);
    const auto readAndMeasure = [&] {
        Measure::runQuietly(find);
        for (const auto& part : du) {
            Measure::runQuietly(part);
        }
    };
    std::size_t signedApps = 0;
    for (const auto& entry : installed.entries()) {
        signedApps += entry.identity.teamID ? 1 : 0;
    }
    const auto printed = occurrences(Measure::commandOutput(command), "\"path\":");
    readAndMeasure();

    std::cout << "tree: " << tree.string() << "\napps: " << apps.size() << " (" << signedApps
              << " signed), leftovers found: " << items.size() << "\nthe " << folders.size()
              << " Library folders the scan lists, with their entries:\n";
    for (const auto& folder : folders) {
        std::cout << "  " << std::setw(7) << directEntries(folder) << "  "
                  << fs::path("/" + fs::relative(folder, tree).string()).string() << '\n';
    }
    std::cout << runs
              << " runs of each taken in turn, every other round in reverse order, after a warm-up "
                 "run; whole commands as median (fastest\u2013slowest)\n";

    const auto spreads = Measure::alternatingSpreads(
        runs, {readAndMeasure, [&] { Measure::runQuietly(command); },
               [&] { OrphanScanner::scan(installed, platform); }, [&] { findApps(platform); },
               [&] { InstalledIdentities::read(apps); }});
    std::vector<double> medians;
    for (const auto& spread : spreads) {
        medians.push_back(spread.median);
    }
    const double reference = medians[0];
    std::cout << "\nleftovers (ratio: time relative to find listing those folders and du measuring the "
                 "findings)\n";
    Measure::printRow("find -maxdepth 1 + du -s over the findings", spreads[0], 1.0,
                      std::to_string(du.size() + 1) + " processes, " + std::to_string(items.size()) +
                          " findings");
    Measure::printRow("tarnwick-cli leftovers --json", spreads[1], medians[1] / reference,
                      "the whole command: " + std::to_string(apps.size()) + " apps and signatures read, " +
                          std::to_string(printed) + " items");
    Measure::printRow("  OrphanScanner::scan (list, match, measure)", medians[2], medians[2] / reference,
                      "its inner step: the reference's work");
    Measure::printRow("  AppScanner::scan", medians[3], medians[3] / reference,
                      std::to_string(apps.size()) + " apps");
    Measure::printRow("  InstalledIdentities::read", medians[4], medians[4] / reference,
                      std::to_string(apps.size()) + " signatures");
    Measure::printTableRow("leftovers, " + std::to_string(apps.size()) + " apps", spreads[1], spreads[0],
                           "find + du over the findings");
    if (printed != items.size()) {
        throw std::runtime_error("tarnwick-cli printed " + std::to_string(printed) +
                                 " items, the scan found " + std::to_string(items.size()));
    }
    peakMemory(tree, folders, command, items.size());
}

} // namespace

int main(int argc, char** argv) {
    tarnwick::bench::BenchmarkCommand command(
        "Measures tarnwick-cli leftovers and its steps against find(1) and "
        "du(1) over what it reads, and its peak memory.",
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
