#include "removal/Trash.h"

#include "platform/Location.h"
#include "platform/PlatformError.h"

#include <cerrno>

namespace tarnwick {

namespace fs = std::filesystem;

fs::path Trash::moveToTrash(const fs::path& item) {
    const OpenFolder from = OpenFolder::withoutLinks(Location::resolved(item.parent_path()));
    const std::string name = Location::lastComponent(item);
    std::set<fs::path> tried;
    for (;;) {
        const fs::path place = plannedPlace(item, tried);
        try {
            moveTo(from, name, item, place);
            return place;
        } catch (const PlatformError& error) {
            if (!error.hasCode(PlatformError::posixDomain, EEXIST)) {
                throw;
            }
            tried.insert(place);
        }
    }
}

} // namespace tarnwick
