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
    std::function<Count()> variant;
    Count count{};
    double seconds = 0;
};

// The first run of each only warms the cache and gives the counts; then each round runs every variant
// once, in turn.
void measure(int runs, std::vector<Result>& results) {
    std::vector<std::function<void()>> variants;
    for (auto& result : results) {
        result.count = result.variant();
        variants.emplace_back([&result] { result.variant(); });
    }
    const auto medians = Measure::alternatingMedians(runs, variants);
    for (std::size_t index = 0; index < results.size(); ++index) {
        results[index].seconds = medians[index];
    }
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
              << " runs taken in turn after a warm-up run; the ratio is the time relative to find's\n";

    std::vector<Result> types{
        {"find -printf ''", [&] { return runFind(tree, ""); }},
        {"DirectoryWalker::walk", [&] { return walkTree(tree, false); }},
        {"std::filesystem recursive iterator", [&] { return iterateTree(tree, false); }},
    };
    std::vector<Result> sizes{
        {"find -printf '%s\\n'", [&] { return runFind(tree, "%s\\n"); }},
        {"DirectoryWalker::walk, sizes", [&] { return walkTree(tree, true); }},
        {"std::filesystem recursive iterator, sizes", [&] { return iterateTree(tree, true); }},
    };
    measure(runs, types);
    measure(runs, sizes);

    std::cout << "\ntypes only\n";
    for (const auto& result : types) {
        print(result, reference.entries, types.front().seconds);
    }
    std::cout << "with sizes\n";
    for (const auto& result : sizes) {
        print(result, reference.entries, sizes.front().seconds);
    }

    bool agrees = true;
    for (const auto* results : {&types, &sizes}) {
        for (auto result = results->begin() + 1; result != results->end(); ++result) {
            const bool sameBytes = result->count.bytes == reference.bytes || result->count.bytes == 0;
            if (result->count.entries != reference.entries || !sameBytes) {
                agrees = false;
                std::cout << "MISMATCH: " << result->name << " counted " << result->count.entries
                          << " entries, " << result->count.bytes << " bytes\n";
            }
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
