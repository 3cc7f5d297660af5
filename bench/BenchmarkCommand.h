#pragma once

#include "TreeGenerator.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <functional>
#include <string>

namespace tarnwick::bench {

// The command line every benchmark shares: an existing tree (--tree) or a generated one (--apps, --files,
// --seed, --signed-apps, --library-entries, --dot-folder-entries, --keep-tree), and the number of timed
// runs (--runs). A benchmark may add options of its own.
class BenchmarkCommand {
public:
    using Benchmark = std::function<void(const std::filesystem::path& tree, int runs)>;

    // `defaults` is the shape of the tree generated when no --tree is given.
    BenchmarkCommand(const std::string& description, const TreeGenerator::Options& defaults);

    CLI::App& options() { return command_; }

    // Parses the arguments and runs `benchmark` on the tree; the program's exit status. Errors are
    // reported on the standard error.
    int run(int argc, char** argv, const Benchmark& benchmark);

private:
    CLI::App command_;
    std::string tree_;
    int runs_ = 5;
    bool keepsTree_ = false;
    TreeGenerator::Options generated_;
};

} // namespace tarnwick::bench
