#include "BenchmarkCommand.h"

#include <cstdlib>
#include <iostream>
#include <stdexcept>

namespace tarnwick::bench {

namespace {

namespace fs = std::filesystem;

// A tree written into a fresh temporary folder, removed again unless it is to be kept.
class GeneratedTree {
public:
    GeneratedTree(const TreeGenerator::Options& base, bool keeps)
        : keeps_(keeps) {
        std::string pattern = (fs::temp_directory_path() / "tarnwick-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a temporary folder");
        }
        path_ = pattern;
        auto options = base;
        options.output = path_;
        std::cout << "generating a tree in " << path_.string() << " ..." << std::flush;
        const auto summary = TreeGenerator::generate(options);
        std::cout << " " << summary.entries() << " entries, " << summary.files << " files, "
                  << summary.apps.size() << " apps, " << summary.libraryEntries
                  << " entries in the leftovers scan's Library folders";
        if (summary.dotFolderEntries > 0) {
            std::cout << ", " << summary.dotFolderEntries << " in the searched dot-folders";
        }
        std::cout << '\n';
    }
    ~GeneratedTree() {
        if (keeps_) {
            std::cout << "tree kept in " << path_.string() << '\n';
            return;
        }
        std::error_code error;
        fs::remove_all(path_, error);
    }
    GeneratedTree(const GeneratedTree&) = delete;
    GeneratedTree& operator=(const GeneratedTree&) = delete;

    const fs::path& path() const { return path_; }

private:
    fs::path path_;
    bool keeps_;
};

} // namespace

BenchmarkCommand::BenchmarkCommand(const std::string& description, const TreeGenerator::Options& defaults)
    : command_(description)
    , generated_(defaults) {
    command_.add_option("--tree", tree_,
                        "Existing tree to measure (default: generate one in a temporary folder)");
    command_.add_option("--runs", runs_, "Timed runs of each variant, after one warm-up run")
        ->check(CLI::Range(1, 1000))
        ->capture_default_str();
    command_.add_option("--apps", generated_.apps, "Apps of the generated tree")->capture_default_str();
    command_.add_option("--files", generated_.files, "Library files of the generated tree")
        ->capture_default_str();
    command_.add_option("--seed", generated_.seed, "Seed of the generated tree")->capture_default_str();
    command_.add_flag("--signed-apps", generated_.signsApps, "Sign the generated apps' executables");
    command_
        .add_option("--library-entries", generated_.libraryEntries,
                    "Entries in the Library folders the leftovers scan reads, in the generated tree")
        ->capture_default_str();
    command_
        .add_option("--dot-folder-entries", generated_.dotFolderEntries,
                    "Entries in the dot-folders and per-user folders one app's scan searches, in the "
                    "generated tree")
        ->capture_default_str();
    command_.add_flag("--keep-tree", keepsTree_, "Keep the generated tree");
}

int BenchmarkCommand::run(int argc, char** argv, const Benchmark& benchmark) {
    try {
        command_.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return command_.exit(error);
    }
    try {
        if (!tree_.empty()) {
            benchmark(tree_, runs_);
        } else {
            const GeneratedTree generated(generated_, keepsTree_);
            benchmark(generated.path(), runs_);
        }
    } catch (const std::exception& error) {
        std::cerr << fs::path(argv[0]).filename().string() << ": " << error.what() << '\n';
        return 1;
    }
    return 0;
}

} // namespace tarnwick::bench
