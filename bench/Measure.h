#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// What every benchmark needs: timing, running the reference tools, and what find(1) sees in a tree.
namespace tarnwick::bench::Measure {

// The median wall times of `reference` and `ours`, run in turn, one after the other, `runs` times each,
// so that whatever else the machine does weighs on both alike. The caller warms the cache first.
struct Medians {
    double reference = 0;
    double ours = 0;
};
Medians alternatingMedians(int runs, const std::function<void()>& reference,
                           const std::function<void()>& ours);

// The same for several variants: each round runs every one once, in the order given, and the medians
// come in that order.
std::vector<double> alternatingMedians(int runs, const std::vector<std::function<void()>>& variants);

// The wall times of each variant, run in turn `runs` times each, every other round in the reverse
// order, so that neither profits from always coming first; each variant's times sorted, fastest first.
// The caller warms the cache first.
std::vector<std::vector<double>> alternatingTimes(int runs,
                                                  const std::vector<std::function<void()>>& variants);

// The fastest, median and slowest wall times of each variant, run in turn as above.
struct Spread {
    double fastest = 0;
    double median = 0;
    double slowest = 0;
};
std::vector<Spread> alternatingSpreads(int runs, const std::vector<std::function<void()>>& variants);

// Runs a command (looked up in PATH) with its standard output sent to `outputDescriptor`; its exit
// status, or -1 when it did not exit normally. Throws std::runtime_error when it cannot be started.
int runCommand(const std::vector<std::string>& arguments, int outputDescriptor);

// Runs a command with its output discarded; throws std::runtime_error unless it exits with 0.
void runQuietly(const std::vector<std::string>& arguments);

// What a command prints; throws std::runtime_error unless it exits with 0.
std::string commandOutput(const std::vector<std::string>& arguments);

// What a command prints, and the most memory it held at once (its peak resident set, as wait4 gives it for
// that child alone, run from a small process so that none of this one's memory counts); throws
// std::runtime_error unless it exits with 0.
struct CommandOutput {
    std::string text;
    std::int64_t peakBytes = 0;
};
CommandOutput commandOutputAndPeak(const std::vector<std::string>& arguments);

// What find(1) lists below a tree (the tree itself excluded), each entry measured as itself.
struct FindListing {
    std::int64_t entries = 0;
    std::int64_t files = 0;       // regular files
    std::int64_t fileBytes = 0;   // apparent sizes of the regular files
    std::int64_t folderBytes = 0; // folders' own sizes
    std::int64_t otherBytes = 0;  // links (their target's length) and every other kind
};
FindListing findListing(const std::filesystem::path& tree);

// One row of the summary that bench/run gathers from every benchmark's output: "table: " and the
// measure, our median, the reference's median and what the reference is, separated by "|".
void printTableRow(const std::string& measure, const Spread& ours, const Spread& reference,
                   const std::string& referenceName);

// One line of a result table: the name, the time in milliseconds, the ratio to the reference and a note.
void printRow(const std::string& name, double seconds, double ratio, const std::string& note = "");
// The same with the fastest and slowest runs beside the median: "median ms (min–max)".
void printRow(const std::string& name, const Spread& spread, double ratio, const std::string& note = "");

} // namespace tarnwick::bench::Measure
