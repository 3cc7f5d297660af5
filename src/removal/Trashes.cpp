#include "removal/Trashes.h"

#include "platform/Location.h"
#include "removal/FreedesktopTrash.h"
#include "removal/MacTrash.h"
#include "removal/TrashLocation.h"

#include <unistd.h>

namespace tarnwick {

namespace fs = std::filesystem;

Trashes::Trashes(const Platform& platform, std::unique_ptr<Trash> home)
    : layout_(platform.layout())
    , home_(std::move(home)) {}

std::unique_ptr<Trash> Trashes::homeTrashFor(const Platform& platform) {
    if (platform.layout() == FolderLayout::macOS) {
        return std::make_unique<MacTrash>(TrashLocation::home(platform));
    }
    return std::make_unique<FreedesktopTrash>(TrashLocation::home(platform));
}

Trash& Trashes::forItem(const fs::path& folder, const MountIdentity& mount) {
    const fs::path trash = TrashLocation::forItem(home_->folder(), layout_, folder, mount, ::getuid());
    if (trash == home_->folder()) {
        return *home_;
    }
    return volumeTrash(trash, TrashLocation::volumeTop(folder, mount));
}

Trash* Trashes::holding(const fs::path& place) {
    if (Location::contains(home_->folder(), place)) {
        return home_.get();
    }
    for (const auto& [folder, trash] : volumes_) {
        if (Location::contains(folder, place)) {
            return trash.get();
        }
    }
    // A volume Trash of an earlier run: its path tells which volume it is on.
    const fs::path folder = Location::resolved(place.parent_path());
    const auto mount = TrashLocation::mountAtOrAbove(folder);
    if (!mount) {
        return nullptr;
    }
    const fs::path volume = TrashLocation::volumeTop(folder, *mount);
    const fs::path trash = TrashLocation::onVolume(layout_, volume, ::getuid());
    if (!Location::contains(trash, place)) {
        return nullptr;
    }
    return &volumeTrash(trash, volume);
}

std::vector<fs::path> Trashes::folders() const {
    std::vector<fs::path> result{home_->folder()};
    for (const auto& [folder, trash] : volumes_) {
        result.push_back(folder);
    }
    return result;
}

Trash& Trashes::volumeTrash(const fs::path& folder, const fs::path& volume) {
    auto& trash = volumes_[folder];
    if (!trash) {
        if (layout_ == FolderLayout::macOS) {
            trash = std::make_unique<MacTrash>(folder);
        } else {
            trash = std::make_unique<FreedesktopTrash>(folder, volume);
        }
    }
    return *trash;
}

} // namespace tarnwick
