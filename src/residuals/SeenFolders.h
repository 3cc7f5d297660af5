#pragma once

#include <cstdint>
#include <filesystem>
#include <set>
#include <utility>

namespace tarnwick::ResidualScanner {

// Remembers folders (or files) by what the file system says they are, device and inode after following
// links, not by their path text: on a volume that ignores case 'Example' and 'example' are one folder,
// and on one that respects it they are two.
class SeenFolders {
public:
    // True when something exists at `location` that was not seen before; it counts as seen from now on.
    bool firstVisit(const std::filesystem::path& location);

private:
    std::set<std::pair<std::uint64_t, std::uint64_t>> seen_;
};

} // namespace tarnwick::ResidualScanner
