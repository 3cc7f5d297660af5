// The size of a whole tree (FileUtilities::fileSize) against du(1); the application scan
// (AppScanner::scan) against find(1) with cat(1) reading every Info.plist; and `tarnwick-cli apps`, which
// also measures every bundle, against the same with du(1); all on the same tree.

#include "BenchmarkCommand.h"
#include "Measure.h"
#include "catalogue/AppScanner.h"
#include "catalogue/FileUtilities.h"
#include "platform/Platform.h"

#include <cstdint>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
namespace Measure = tarnwick::bench::Measure;
namespace AppScanner = tarnwick::AppScanner;
using tarnwick::InstalledApp;
using tarnwick::Platform;
using tarnwick::FileUtilities::fileSize;

std::int64_t parsedNumber(const std::string& text) {
    std::istringstream stream(text);
    std::int64_t number = -1;
    stream >> number;
    return number;
}

// The total du prints for the tree: the apparent sizes of every entry, folders and links as themselves,
// the tree itself included, hard links counted once.
std::int64_t duTotal(const fs::path& tree) {
    return parsedNumber(Measure::commandOutput({"du", "-s", "--apparent-size", "-B1", tree.string()}));
}

std::int64_t findFileBytes(const fs::path& tree) {
    std::istringstream lines(
        Measure::commandOutput({"find", tree.string(), "-type", "f", "-printf", "%s\\n"}));
    std::int64_t total = 0;
    for (std::int64_t size = 0; lines >> size;) {
        total += size;
    }
    return total;
}

bool sizes(const fs::path& tree, int runs, const Measure::FindListing& listing) {
    const auto ours = fileSize(tree); // the first run of each only warms the cache
    const auto du = duTotal(tree);
    const auto find = findFileBytes(tree);
    const auto medians = Measure::alternatingMedians(
        runs, {[&] {
                   Measure::runQuietly({"du", "-s", "--apparent-size", "-B1", tree.string()});
               },
               [&] { fileSize(tree); },
               [&] {
                   Measure::runQuietly({"find", tree.string(), "-type", "f", "-printf", "%s\\n"});
               }});
    const double duSeconds = medians[0];
    const double oursSeconds = medians[1];
    const double findSeconds = medians[2];

    struct stat root {};
    lstat(tree.c_str(), &root);
    const auto duExpected = listing.fileBytes + listing.folderBytes + listing.otherBytes + root.st_size;

    std::cout << "\nsize of the whole tree (ratio: time relative to du's)\n";
    Measure::printRow("du -s --apparent-size -B1", duSeconds, 1.0, std::to_string(du) + " bytes");
    Measure::printRow("FileUtilities::fileSize", oursSeconds, oursSeconds / duSeconds,
                      std::to_string(ours) + " bytes");
    Measure::printRow("find -type f -printf '%s\\n', summed apart", findSeconds, findSeconds / duSeconds,
                      std::to_string(find) + " bytes");
    std::cout << "  du counts folders (" << listing.folderBytes << " bytes, the tree's own " << root.st_size
              << ") and links (" << listing.otherBytes << " bytes) too: " << du << " - " << ours << " = "
              << du - ours << '\n';

    bool agrees = true;
    if (ours != find || ours != listing.fileBytes) {
        agrees = false;
        std::cout << "MISMATCH: fileSize gave " << ours << " bytes, find's regular files " << find << '\n';
    }
    if (du != duExpected) {
        agrees = false;
        std::cout << "MISMATCH: du gave " << du << " bytes, find's listing adds up to " << duExpected
                  << " (hard links?)\n";
    }
    if (agrees) {
        std::cout << "  fileSize equals the sum of the regular files' sizes; du equals that plus the folders "
                     "and links\n";
    }
    return agrees;
}

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

std::int64_t scanApps(const Platform& platform) {
    std::int64_t count = 0;
    AppScanner::scan(platform, [&count](const InstalledApp&) { ++count; });
    return count;
}

bool applications(const fs::path& tree, int runs, const std::string& cli) {
    const auto platform = Platform::rooted(tree);
    const auto applications = (tree / "Applications").string();
    // One cat for as many bundles as fit on a command line: no process per bundle, as a fair reference.
    const std::vector<std::string> batched = {
        "sh", "-c",
        "find \"$1\" -name '*.app' -prune -printf '%p/Contents/Info.plist\\0' | xargs -0 cat >/dev/null",
        "sh", applications};
    // One cat per bundle.
    const std::vector<std::string> perBundle = {"sh", "-c",
                                                "find \"$1\" -name '*.app' -prune -exec sh -c 'for a; do cat "
                                                "\"$a/Contents/Info.plist\"; done' _ {} + "
                                                ">/dev/null",
                                                "sh", applications};

    // What `tarnwick-cli apps` reads, done by standard tools: every Info.plist, and every bundle measured.
    const std::vector<std::string> readAndMeasure = {
        "sh", "-c",
        "find \"$1\" -name '*.app' -prune -printf '%p/Contents/Info.plist\\0' | xargs -0 cat >/dev/null && "
        "find \"$1\" -name '*.app' -prune -print0 | xargs -0 du -s --apparent-size -B1 >/dev/null",
        "sh", applications};
    const std::vector<std::string> command = {cli, "--root", tree.string(), "apps", "--json"};

    const auto ours = scanApps(platform); // the first run of each only warms the cache
    std::istringstream found(
        Measure::commandOutput({"find", applications, "-name", "*.app", "-prune", "-printf", "x\\n"}));
    std::int64_t theirs = 0;
    for (std::string line; std::getline(found, line);) {
        ++theirs;
    }
    Measure::runQuietly(batched);
    Measure::runQuietly(perBundle);
    Measure::runQuietly(readAndMeasure);
    const auto listed = occurrences(Measure::commandOutput(command), "\"path\":");
    const auto spreads = Measure::alternatingSpreads(
        runs, {[&] { Measure::runQuietly(batched); }, [&] { scanApps(platform); },
               [&] { Measure::runQuietly(perBundle); }, [&] { Measure::runQuietly(readAndMeasure); },
               [&] { Measure::runQuietly(command); }});
    std::vector<double> medians;
    for (const auto& spread : spreads) {
        medians.push_back(spread.median);
    }
    const double batchedSeconds = medians[0];
    const double oursSeconds = medians[1];
    const double perBundleSeconds = medians[2];

    std::cout << "\napplication scan (ratio: time relative to find | xargs cat)\n";
    Measure::printRow("find -name '*.app' -prune | xargs -0 cat Info.plist", batchedSeconds, 1.0,
                      std::to_string(theirs) + " apps");
    Measure::printRow("AppScanner::scan", oursSeconds, oursSeconds / batchedSeconds,
                      std::to_string(ours) + " apps");
    Measure::printRow("find -name '*.app' -prune -exec sh (cat per app)", perBundleSeconds,
                      perBundleSeconds / batchedSeconds);

    std::cout << "\nthe whole command (ratio: time relative to the same reading and measuring by find, cat "
                 "and du)\n";
    Measure::printRow("find | xargs cat Info.plist; find | xargs du -s", spreads[3], 1.0);
    Measure::printRow("tarnwick-cli apps --json", spreads[4], medians[4] / medians[3],
                      std::to_string(listed) + " apps, sizes measured");
    Measure::printTableRow("apps, " + std::to_string(listed) + " apps", spreads[4], spreads[3],
                           "cat Info.plist + du per bundle");
    if (ours != theirs || static_cast<std::int64_t>(listed) != theirs) {
        std::cout << "MISMATCH: AppScanner found " << ours << " apps, tarnwick-cli apps " << listed
                  << ", find " << theirs << '\n';
        return false;
    }
    std::cout << "  both found " << ours << " apps\n";
    return true;
}

void benchmark(const fs::path& tree, int runs, const std::string& cli) {
    const auto listing = Measure::findListing(tree);
    std::cout << "tree: " << tree.string() << "\nentries: " << listing.entries
              << ", regular files: " << listing.files << ", their bytes: " << listing.fileBytes
              << "\nmedian of " << runs << " runs taken in turn after a warm-up run\n";
    const bool sizesAgree = sizes(tree, runs, listing);
    const bool appsAgree = applications(tree, runs, cli);
    if (!sizesAgree || !appsAgree) {
        throw std::runtime_error("the results differ from the reference tools'");
    }
}

} // namespace

int main(int argc, char** argv) {
    tarnwick::bench::BenchmarkCommand command(
        "Measures FileUtilities::fileSize against du(1) and AppScanner::scan against find(1) and cat(1).",
        {.output = {}, .apps = 1'000, .files = 200'000});
    std::string cli = TARNWICK_CLI_PATH;
    command.options().add_option("--cli", cli, "The tarnwick-cli to time")->capture_default_str();
    return command.run(argc, argv, [&cli](const fs::path& tree, int runs) { benchmark(tree, runs, cli); });
}
