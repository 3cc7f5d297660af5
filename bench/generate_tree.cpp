// Writes a large macOS-like folder tree for the benchmarks.

#include "TreeGenerator.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <iostream>

int main(int argc, char** argv) {
    tarnwick::bench::TreeGenerator::Options options;
    CLI::App command{"Writes a large macOS-like folder tree (Applications and a user's Library)."};
    command.add_option("output", options.output, "Folder to write into (created if missing, must be empty)")
        ->required();
    command.add_option("--apps", options.apps, "Number of application bundles")
        ->check(CLI::Range(0, 100'000))
        ->capture_default_str();
    command.add_option("--files", options.files, "About how many files to spread over the user's Library")
        ->check(CLI::Range(0, 50'000'000))
        ->capture_default_str();
    command.add_option("--seed", options.seed, "Random seed; the same seed gives the same tree")
        ->capture_default_str();
    command.add_flag("--signed-apps", options.signsApps,
                     "Sign the apps' executables (team, entitlements) and pad them sparsely to 1-200 MB");
    command
        .add_option("--library-entries", options.libraryEntries,
                    "Top up the eleven Library folders the leftovers scan reads to this many entries")
        ->check(CLI::Range(0, 10'000'000))
        ->capture_default_str();
    command
        .add_option("--dot-folder-entries", options.dotFolderEntries,
                    "Add about this many entries to ~/.config, ~/.local/share, the vendors' own folders and "
                    "the per-user cache and temporary folders")
        ->check(CLI::Range(0, 10'000'000))
        ->capture_default_str();
    CLI11_PARSE(command, argc, argv);

    try {
        const auto start = std::chrono::steady_clock::now();
        const auto summary = tarnwick::bench::TreeGenerator::generate(options);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        std::cout << "wrote " << summary.entries() << " entries (" << summary.folders << " folders, "
                  << summary.files << " files, " << summary.links << " links, " << summary.hidden
                  << " hidden; " << summary.bytes << " bytes; " << summary.apps.size() << " apps, "
                  << summary.removedApps.size() << " with leftovers only; " << summary.libraryEntries
                  << " entries in the leftovers scan's Library folders"
                  << (options.dotFolderEntries > 0
                          ? "; " + std::to_string(summary.dotFolderEntries) + " in the searched dot-folders"
                          : "")
                  << ") in " << elapsed.count() << " s\n";
    } catch (const std::exception& error) {
        std::cerr << "tarnwick-generate-tree: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
