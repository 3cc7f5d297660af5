#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tarnwick::bench {

// Writes a large folder tree shaped like a Mac's: application bundles under "Applications" and a
// user's "Library" full of the folders apps leave behind, with hidden files and symbolic links.
// The same options always give the same tree.
class TreeGenerator {
public:
    struct Options {
        std::filesystem::path output; // created if missing; must be empty
        int apps = 400;               // application bundles
        int files = 160'000;          // files spread over the user's Library
        std::uint64_t seed = 1;
        // Main executables become signed Mach-O files (team, application identifier, app groups) of between
        // 1 MB and 200 MB, their code sparse, each ending with its signature.
        bool signsApps = false;
        // Tops up the eleven Library folders the leftovers scan reads (Application Support, Caches,
        // Preferences, Logs of the user and the system; the user's Containers, Group Containers and Saved
        // Application State) to at least this many direct entries: names of installed and removed apps,
        // of the system, hidden ones and names without a dot, as files or small folders.
        int libraryEntries = 0;
        // Adds about this many entries to the folders one app's leftovers are looked for in outside the
        // Library's standard folders: ~/.config, ~/.local/share, each vendor's ~/.<vendor>,
        // ~/Library/<Vendor> and ~/Library/Application Support/<Vendor>, and the per-user cache and
        // temporary folders. Named after tools, installed and removed apps, as files and small folders.
        int dotFolderEntries = 0;
    };

    struct App {
        std::string name;             // "Photo Studio"
        std::string bundleID;         // "com.brightfield.photostudio"
        std::string teamID;           // the vendor's, "4F1C0A9B2E"
        std::filesystem::path bundle; // <output>/Applications/Photo Studio.app
    };

    struct Summary {
        std::int64_t folders = 0;          // below the output folder, the output itself not counted
        std::int64_t files = 0;            // regular files
        std::int64_t links = 0;            // symbolic links
        std::int64_t hidden = 0;           // entries whose name begins with "."
        std::int64_t libraryEntries = 0;   // direct entries of the eleven Library folders
        std::int64_t dotFolderEntries = 0; // entries added by Options::dotFolderEntries
        std::int64_t bytes = 0;            // logical size of all regular files
        std::vector<App> apps;             // installed ones
        std::vector<App> removedApps;      // apps whose Library leftovers exist without their bundle

        std::int64_t entries() const { return folders + files + links; }
    };

    // Throws std::runtime_error when the output folder is not empty or cannot be written.
    static Summary generate(const Options& options);
};

} // namespace tarnwick::bench
