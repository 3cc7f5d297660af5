#include "catalogue/FolderContentItem.h"

#include "platform/DirectoryWalker.h"
#include "platform/Text.h"

#include <algorithm>
#include <sys/stat.h>

namespace tarnwick {
namespace {

bool isHidden(const DirectoryEntry& entry) {
    if (entry.name().starts_with('.')) {
        return true;
    }
#ifdef UF_HIDDEN
    struct stat status {};
    if (::lstat(entry.path.c_str(), &status) == 0 && (status.st_flags & UF_HIDDEN) != 0) {
        return true;
    }
#endif
    return false;
}

// What the disk gives to the child: its allocated blocks, else its length, else nothing.
std::int64_t sizeOf(const DirectoryEntry& entry) {
    struct stat status {};
    if (::lstat(entry.path.c_str(), &status) != 0) {
        return 0;
    }
    if (status.st_blocks > 0) {
        return static_cast<std::int64_t>(status.st_blocks) * 512;
    }
    return std::max<std::int64_t>(status.st_size, 0);
}

} // namespace

FolderListing FolderContentItem::load(const std::filesystem::path& folder) {
    auto children = DirectoryWalker::children(folder);
    if (!children) {
        return {};
    }
    std::erase_if(*children, isHidden);

    // Only the names shown need their full order; a folder of a hundred thousand files costs a partial
    // sort, not a full one.
    const std::size_t shown = std::min(children->size(), listingLimit);
    std::partial_sort(children->begin(), children->begin() + static_cast<std::ptrdiff_t>(shown),
                      children->end(), [](const DirectoryEntry& left, const DirectoryEntry& right) {
                          const int order = Text::localizedStandardCompare(left.name(), right.name());
                          // Names equal to the eye ("a", "A") still come in one fixed order.
                          return order != 0 ? order < 0 : left.name() < right.name();
                      });

    FolderListing listing;
    listing.items.reserve(shown);
    for (std::size_t index = 0; index < shown; ++index) {
        const DirectoryEntry& entry = (*children)[index];
        listing.items.push_back({entry.location(), entry.isDirectory, sizeOf(entry)});
    }
    listing.hiddenCount = static_cast<std::int64_t>(children->size() - shown);
    return listing;
}

} // namespace tarnwick
