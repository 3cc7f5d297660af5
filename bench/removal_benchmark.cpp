// The whole `tarnwick-cli remove APP` followed by `tarnwick-cli restore ID`, on an application of 2,000
// files in 20 findings, against mv(1) taking the same 20 items out and putting them back: once with an
// empty history, once with 30 earlier removals of 2,000 items each held in it. Sides run in turn; the
// peak memory is that of the program itself (wait4 of each child). Last, a removal of 50,000 items, and
// whether `tarnwick-cli restore` still puts every one of them back.

#include "BenchmarkCommand.h"
#include "Measure.h"
#include "platform/FileOperations.h"
#include "platform/Platform.h"
#include "removal/TrashManager.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
namespace Measure = tarnwick::bench::Measure;
using tarnwick::InstalledApp;
using tarnwick::Platform;
using tarnwick::ResidualItem;
using tarnwick::TrashManager;

constexpr int filesPerFinding = 100;
constexpr int heldRemovals = 30;
constexpr int heldItems = 2000;
int largeRemoval = 50000;

// The Library folders where the scan finds an application's own folder by its bundle identifier.
const std::vector<std::string> findingFolders{"Caches",
                                              "Application Support",
                                              "Logs",
                                              "Containers",
                                              "WebKit",
                                              "HTTPStorages",
                                              "Application Scripts",
                                              "Cookies",
                                              "Saved Application State",
                                              "Group Containers",
                                              "LaunchAgents",
                                              "Preferences",
                                              "Internet Plug-Ins",
                                              "Services",
                                              "Caches/Metadata",
                                              "Logs/DiagnosticReports",
                                              "Autosave Information",
                                              "Frameworks",
                                              "Mail",
                                              "Developer"};

void fill(const fs::path& folder, int files) {
    fs::create_directories(folder);
    for (int index = 0; index < files; ++index) {
        tarnwick::FileOperations::writeFile(folder / ("file " + std::to_string(index)),
                                            std::to_string(index));
    }
}

struct Subject {
    std::string name;
    std::vector<fs::path> findings;
};

// The first application of the tree, filled up to 20 findings of 100 files each, as the scan sees them.
Subject prepare(const fs::path& tree, const std::vector<std::string>& cli) {
    auto command = cli;
    command.insert(command.end(), {"apps", "--json"});
    const auto apps = nlohmann::json::parse(Measure::commandOutput(command));
    if (apps.empty()) {
        throw std::runtime_error("the tree has no application");
    }
    const std::string name = apps.at(0).at("name");
    const std::string bundleID = apps.at(0).at("bundleID");
    const fs::path bundle = apps.at(0).at("path").get<std::string>();
    const Platform platform = Platform::rooted(tree);
    fill(bundle / "Contents/Resources/Bench", filesPerFinding);
    for (const std::string& folder : findingFolders) {
        fill(platform.home() / "Library" / folder / bundleID, filesPerFinding);
    }
    command = cli;
    command.insert(command.end(), {"scan", name, "--json"});
    const auto scan = nlohmann::json::parse(Measure::commandOutput(command));
    Subject subject{name, {}};
    for (const auto& item : scan.at("items")) {
        if (item.at("selected").get<bool>()) {
            subject.findings.emplace_back(item.at("path").get<std::string>());
        }
    }
    return subject;
}

// Thirty removals of 2,000 files each, made as the program makes them, left in the history as they are.
void holdRemovals(const fs::path& tree) {
    const Platform platform = Platform::rooted(tree);
    TrashManager manager(platform);
    InstalledApp app;
    app.url = platform.system("/Applications/Held.app");
    app.name = "Held";
    for (int removal = 0; removal < heldRemovals; ++removal) {
        const fs::path folder =
            platform.home() / "Library/Caches" / ("com.tarnwick.held-" + std::to_string(removal));
        fill(folder, heldItems);
        std::vector<ResidualItem> items;
        for (int index = 0; index < heldItems; ++index) {
            items.push_back({folder / ("file " + std::to_string(index)), 1, tarnwick::ResidualCategory::cache,
                             tarnwick::MatchConfidence::exact, "", true});
        }
        manager.remove(app, items);
    }
}

struct Row {
    Measure::Spread mv;
    Measure::Spread ours;
    std::int64_t peakBytes = 0;
};

Row measure(const fs::path& tree, const std::vector<std::string>& cli, const Subject& subject, int runs) {
    const fs::path parking = tree / "mv-parking";
    fs::create_directories(parking);
    std::int64_t peak = 0;
    const auto mvOutAndBack = [&] {
        for (std::size_t index = 0; index < subject.findings.size(); ++index) {
            Measure::runQuietly(
                {"mv", subject.findings[index].string(), (parking / std::to_string(index)).string()});
        }
        for (std::size_t index = 0; index < subject.findings.size(); ++index) {
            Measure::runQuietly(
                {"mv", (parking / std::to_string(index)).string(), subject.findings[index].string()});
        }
    };
    const auto removeAndRestore = [&] {
        auto remove = cli;
        remove.insert(remove.end(), {"remove", subject.name, "--yes", "--json"});
        const auto removed = Measure::commandOutputAndPeak(remove);
        auto restore = cli;
        restore.insert(restore.end(),
                       {"restore", nlohmann::json::parse(removed.text).at("id").get<std::string>()});
        const auto restored = Measure::commandOutputAndPeak(restore);
        peak = std::max({peak, removed.peakBytes, restored.peakBytes});
    };
    mvOutAndBack();
    removeAndRestore();
    const auto spreads = Measure::alternatingSpreads(runs, {mvOutAndBack, removeAndRestore});
    for (const fs::path& finding : subject.findings) {
        if (!fs::exists(finding)) {
            std::cout << "MISMATCH: " << finding << " did not come back\n";
        }
    }
    return {spreads[0], spreads[1], peak};
}

void printRows(const std::string& history, const Row& row) {
    Measure::printRow("mv out and back, one item at a time", row.mv, 1.0);
    Measure::printRow("tarnwick-cli remove + restore, " + history, row.ours, row.ours.median / row.mv.median,
                      "peak " + std::to_string(row.peakBytes >> 20) + " MiB");
}

// A removal of `largeRemoval` files, then `tarnwick-cli history` and `restore` as a user would run them.
void largeRemovalRestorable(const fs::path& tree, const std::vector<std::string>& cli) {
    const Platform platform = Platform::rooted(tree);
    const fs::path folder = platform.home() / "Library/Caches/com.tarnwick.large";
    fill(folder, largeRemoval);
    std::vector<ResidualItem> items;
    for (int index = 0; index < largeRemoval; ++index) {
        items.push_back({folder / ("file " + std::to_string(index)), 1, tarnwick::ResidualCategory::cache,
                         tarnwick::MatchConfidence::exact, "", true});
    }
    InstalledApp app;
    app.url = platform.system("/Applications/Large.app");
    app.name = "Large";
    const std::string id = TrashManager(platform).remove(app, items).record.id.string();

    auto history = cli;
    history.insert(history.end(), {"history", "--json"});
    const auto listed = Measure::commandOutputAndPeak(history);
    const bool listedIt = listed.text.find(id) != std::string::npos;
    auto restore = cli;
    restore.insert(restore.end(), {"restore", id});
    const auto restored = Measure::commandOutputAndPeak(restore);
    const auto back = std::distance(fs::directory_iterator(folder), fs::directory_iterator());
    std::cout << "  " << largeRemoval << "-item removal: listed " << (listedIt ? "yes" : "NO") << " (peak "
              << (listed.peakBytes >> 20) << " MiB), restored " << back << " of " << largeRemoval << " (peak "
              << (restored.peakBytes >> 20) << " MiB), history file "
              << (fs::file_size(TrashManager(platform).historyURL()) >> 20) << " MiB\n";
}

void benchmark(const fs::path& tree, int runs) {
    const std::vector<std::string> cli{TARNWICK_CLI_PATH, "--root", tree.string()};
    const Subject subject = prepare(tree, cli);
    std::cout << "remove + restore of " << subject.name << ": " << subject.findings.size()
              << " preselected findings; fastest and slowest of " << runs
              << " runs taken in turn (ratio: median relative to mv's)\n";
    printRows("empty history", measure(tree, cli, subject, runs));
    holdRemovals(tree);
    printRows(std::to_string(heldRemovals) + " removals of " + std::to_string(heldItems) + " items held",
              measure(tree, cli, subject, runs));
    largeRemovalRestorable(tree, cli);
}

} // namespace

int main(int argc, char** argv) {
    // The benchmark makes its own items; the tree only gives it a home and one application.
    tarnwick::bench::TreeGenerator::Options tree;
    tree.apps = 1;
    tree.files = 0;
    tarnwick::bench::BenchmarkCommand command(
        "Measures tarnwick-cli remove and restore against mv(1), with an empty and a full history.", tree);
    command.options()
        .add_option("--large-removal", largeRemoval, "Items of the removal that must stay restorable")
        ->check(CLI::PositiveNumber);
    return command.run(argc, argv, benchmark);
}
