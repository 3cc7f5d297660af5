#include "platform/FolderCache.h"

namespace tarnwick {

const OpenFolder& FolderCache::open(const std::filesystem::path& path) {
    if (const auto held = folders_.find(path); held != folders_.end()) {
        const auto present = ItemIdentity::at(path);
        if (present && present->isSameObject(held->second.second)) {
            return held->second.first;
        }
        folders_.erase(held);
    }
    OpenFolder folder = OpenFolder::withoutLinks(path);
    const ItemIdentity identity = folder.identity();
    // Descriptors are a limited resource: a full cache starts again.
    if (folders_.size() >= capacity_) {
        folders_.clear();
    }
    return folders_.insert_or_assign(path, std::pair(std::move(folder), identity)).first->second.first;
}

} // namespace tarnwick
