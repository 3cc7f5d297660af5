#include "residuals/UserContent.h"

#include "platform/Location.h"

#include <algorithm>

namespace tarnwick::ResidualScanner {

bool isUserContent(const std::filesystem::path& location, const std::filesystem::path& home) {
    return std::any_of(userContentFolders.begin(), userContentFolders.end(), [&](std::string_view folder) {
        return Location::contains(home / folder, location, Location::Containment::orSame);
    });
}

} // namespace tarnwick::ResidualScanner
