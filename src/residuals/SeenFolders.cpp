#include "residuals/SeenFolders.h"

#include <sys/stat.h>

namespace tarnwick::ResidualScanner {

bool SeenFolders::firstVisit(const std::filesystem::path& location) {
    struct stat status {};
    if (stat(location.c_str(), &status) != 0) {
        return false;
    }
    return seen_.emplace(static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino))
        .second;
}

} // namespace tarnwick::ResidualScanner
