// Moving many items to the Trash and back: TrashManager::remove and restore against mv(1) there and
// back, on the same items. Both do one rename per item; what the manager adds is the path checks, the
// deepest-first order and the history file, written atomically.

#include "BenchmarkCommand.h"
#include "Measure.h"
#include "platform/Platform.h"
#include "removal/TrashManager.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
namespace Measure = tarnwick::bench::Measure;
using tarnwick::InstalledApp;
using tarnwick::Platform;
using tarnwick::ResidualItem;
using tarnwick::TrashManager;

int itemCount = 2000;

void benchmark(const fs::path& tree, int runs) {
    const Platform platform = Platform::rooted(tree);
    const fs::path folder = platform.home() / "Library/Caches/com.tarnwick.removal-benchmark";
    const fs::path trash = platform.home() / ".Trash";
    const fs::path mvTrash = trash / "removal-benchmark-mv";
    fs::create_directories(folder);
    fs::create_directories(mvTrash);

    std::vector<ResidualItem> items;
    std::vector<std::string> mvThere{"mv", "-t", mvTrash.string()};
    for (int index = 0; index < itemCount; ++index) {
        const fs::path file = folder / ("item " + std::to_string(index) + ".cache");
        std::ofstream(file) << index;
        items.push_back(
            {file, 1, tarnwick::ResidualCategory::cache, tarnwick::MatchConfidence::exact, "", true});
        mvThere.push_back(file.string());
    }
    const std::vector<std::string> mvBack{
        "find", mvTrash.string(), "-mindepth", "1", "-maxdepth", "1", "-exec", "mv",
        "-t",   folder.string(),  "{}",        "+"};
    InstalledApp app;
    app.url = platform.system("/Applications/Removal Benchmark.app");
    app.name = "Removal Benchmark";
    TrashManager manager(platform);
    const auto removeAndRestore = [&] { manager.restore(manager.remove(app, items).record); };
    const auto mvThereAndBack = [&] {
        Measure::runQuietly(mvThere);
        Measure::runQuietly(mvBack);
    };
    removeAndRestore();
    mvThereAndBack();
    const auto [mvSeconds, oursSeconds] = Measure::alternatingMedians(runs, mvThereAndBack, removeAndRestore);

    std::cout << itemCount << " files to the Trash and back, median of " << runs
              << " runs taken in turn (ratio: time relative to mv's)\n";
    Measure::printRow("mv -t TRASH ..., find -exec mv -t BACK", mvSeconds, 1.0);
    Measure::printRow("TrashManager::remove + restore", oursSeconds, oursSeconds / mvSeconds,
                      std::to_string(manager.history().size()) + " records in the history");
    const auto left = std::distance(fs::directory_iterator(folder), fs::directory_iterator());
    if (left != itemCount) {
        std::cout << "MISMATCH: " << left << " of " << itemCount << " items came back\n";
    }
    manager.clearHistory();
    fs::remove_all(folder);
    fs::remove_all(mvTrash);
}

} // namespace

int main(int argc, char** argv) {
    // The benchmark makes its own items; the tree only gives it a home.
    tarnwick::bench::TreeGenerator::Options tree;
    tree.apps = 1;
    tree.files = 0;
    tarnwick::bench::BenchmarkCommand command("Measures moving items to the Trash and back against mv(1).",
                                              tree);
    command.options().add_option("--items", itemCount, "Files moved in each run")->check(CLI::PositiveNumber);
    return command.run(argc, argv, benchmark);
}
