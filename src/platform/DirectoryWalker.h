#pragma once

#include "platform/DirectoryEntry.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace tarnwick {

// The one way the program lists and walks folders. Links are never followed, entries that cannot be
// read are skipped, and a folder that cannot be opened simply has no entries.
//
// The root (or the listed folder) is opened like any path, so a root that is itself a link to a folder
// is walked; links met below it are reported as links and never entered. Entries come in the order the
// file system lists them. A folder that leads back to one of its own ancestors (through a mount or a
// folder hard link) is reported but not entered. However deep the tree, a walk keeps at most about 65
// descriptors open.
class DirectoryWalker {
public:
    struct Options {
        bool skipsHiddenEntries = false;   // names beginning with "."
        bool skipsPackageContents = false; // packages are reported but not entered
        bool readsSizes = false;           // fill DirectoryEntry::size (one more metadata read per file)
        // The deepest level reported (1: the root's own children); folders at that level are not
        // entered, so nothing below it is even listed. 0: no limit.
        int deepestLevel = 0;
    };

    // What the visitor wants after an entry.
    enum class Step { proceed, skipDescendants, stop };

    using Visitor = std::function<Step(const DirectoryEntry&)>;

    // Visits every entry below `root` (not the root itself), depth first, each folder before its
    // contents. An entry's path is the root's path text, one "/" and the relative path; its level is 1 for
    // the root's own children.
    static void walk(const std::filesystem::path& root, const Options& options, const Visitor& visitor);

    // The direct children of `folder`, hidden ones included; nothing when the folder cannot be read.
    static std::optional<std::vector<DirectoryEntry>> children(const std::filesystem::path& folder,
                                                               bool readsSizes = false);

    // Folders presented as one document (`.app`, `.framework`, `.bundle`, ...), judged by extension.
    static bool isPackageName(std::string_view name);
};

} // namespace tarnwick
