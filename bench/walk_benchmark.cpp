// Entries per second of DirectoryWalker::walk against find(1) and std::filesystem on the same tree.

#include "BenchmarkCommand.h"
#include "Measure.h"
#include "platform/DirectoryWalker.h"

#include <filesystem>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;
namespace Measure = tarnwick::bench::Measure;
using tarnwick::DirectoryEntry;
using tarnwick::DirectoryWalker;

struct Count {
    std::int64_t entries = 0;
    std::int64_t bytes = 0;
};

Count runFind(const fs::path& tree, const std::string& format) {
    Measure::runQuietly({"find", tree.string(), "-printf", format});
    return {};
}

Count walkTree(const fs::path& tree, bool readsSizes) {
    Count count;
    DirectoryWalker::walk(tree, {.readsSizes = readsSizes}, [&](const DirectoryEntry& entry) {
        ++count.entries;
        count.bytes += entry.size;
        return DirectoryWalker::Step::proceed;
    });
    return count;
}

Count iterateTree(const fs::path& tree, bool readsSizes) {
    Count count;
    std::error_code error;
    for (auto it =
             fs::recursive_directory_iterator(tree, fs::directory_options::skip_permission_denied, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        ++count.entries;
        // The entry's own type, cached from the listing where the system gives it.
        const bool isLink = it->is_symlink(error);
        const bool isRegular = !isLink && it->is_regular_file(error);
        if (readsSizes && isRegular) {
            count.bytes += static_cast<std::int64_t>(it->file_size(error));
        }
    }
    return count;
}

struct Result {
    std::string name;
    double seconds = 0;
    Count count;
};

Result measure(const std::string& name, int runs, const std::function<Count()>& variant) {
    Result result{name, 0, variant()}; // the first run only warms the cache
    result.seconds = Measure::medianSeconds(runs, [&] { variant(); });
    return result;
}

void print(const Result& result, std::int64_t entries, double baseline) {
    std::ostringstream rate;
    rate.precision(0);
    rate << std::fixed << static_cast<double>(entries) / result.seconds / 1e3 << " k entries/s";
    Measure::printRow(result.name, result.seconds, result.seconds / baseline, rate.str());
}

void benchmark(const fs::path& tree, int runs) {
    const auto listing = Measure::findListing(tree);
    const Count reference{listing.entries, listing.fileBytes};
    std::cout << "tree: " << tree.string() << "\nentries: " << reference.entries
              << ", bytes in regular files: " << reference.bytes << "\nmedian of " << runs
              << " runs after a warm-up run; the ratio is the time relative to find's\n";

    const auto findTypes = measure("find -printf ''", runs, [&] { return runFind(tree, ""); });
    const auto walker = measure("DirectoryWalker::walk", runs, [&] { return walkTree(tree, false); });
    const auto iterator =
        measure("std::filesystem recursive iterator", runs, [&] { return iterateTree(tree, false); });
    const auto findSizes = measure("find -printf '%s\\n'", runs, [&] { return runFind(tree, "%s\\n"); });
    const auto walkerSizes =
        measure("DirectoryWalker::walk, sizes", runs, [&] { return walkTree(tree, true); });
    const auto iteratorSizes =
        measure("std::filesystem recursive iterator, sizes", runs, [&] { return iterateTree(tree, true); });

    std::cout << "\ntypes only\n";
    for (const auto* result : {&findTypes, &walker, &iterator}) {
        print(*result, reference.entries, findTypes.seconds);
    }
    std::cout << "with sizes\n";
    for (const auto* result : {&findSizes, &walkerSizes, &iteratorSizes}) {
        print(*result, reference.entries, findSizes.seconds);
    }

    bool agrees = true;
    for (const auto* result : {&walker, &iterator, &walkerSizes, &iteratorSizes}) {
        const bool sameBytes = result->count.bytes == reference.bytes || result->count.bytes == 0;
        if (result->count.entries != reference.entries || !sameBytes) {
            agrees = false;
            std::cout << "MISMATCH: " << result->name << " counted " << result->count.entries << " entries, "
                      << result->count.bytes << " bytes\n";
        }
    }
    if (agrees) {
        std::cout << "every variant met the same entries and bytes as find\n";
    }
}

} // namespace

int main(int argc, char** argv) {
    tarnwick::bench::BenchmarkCommand command(
        "Measures the directory walk against find(1) and std::filesystem on one tree.", {});
    return command.run(argc, argv, benchmark);
}
