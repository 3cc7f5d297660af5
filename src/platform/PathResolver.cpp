#include "platform/PathResolver.h"

#include "platform/Location.h"

#include <sys/stat.h>

namespace tarnwick {

namespace fs = std::filesystem;

fs::path PathResolver::resolved(const fs::path& given) {
    const fs::path location = Location::standardized(given);
    if (!location.has_relative_path()) {
        return location;
    }
    const fs::path folder = location.parent_path();
    auto known = folders_.find(folder);
    if (known == folders_.end()) {
        known = folders_.emplace(folder, Location::resolved(folder)).first;
    }
    // Only a link at the end leads further than its folder.
    struct stat status {};
    if (::lstat(location.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
        return Location::resolved(location);
    }
    return known->second / location.filename();
}

} // namespace tarnwick
