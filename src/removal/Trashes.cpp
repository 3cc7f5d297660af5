#include "removal/Trashes.h"

#include "platform/Location.h"
#include "removal/FreedesktopTrash.h"
#include "removal/MacTrash.h"

#include <sys/stat.h>
#include <unistd.h>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

std::optional<std::uint64_t> deviceOf(const fs::path& location) {
    struct stat status {};
    if (::lstat(location.c_str(), &status) != 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(status.st_dev);
}

// The device of the nearest folder that exists at or above `location`.
std::uint64_t deviceAtOrAbove(fs::path location) {
    for (;;) {
        if (const auto device = deviceOf(location)) {
            return *device;
        }
        if (!location.has_relative_path()) {
            return 0;
        }
        location = location.parent_path();
    }
}

// The top folder of the volume that holds the resolved `folder`: the highest folder above it on the same
// device.
fs::path volumeTop(fs::path folder, std::uint64_t device) {
    while (folder.has_relative_path() && deviceOf(folder.parent_path()) == device) {
        folder = folder.parent_path();
    }
    return folder;
}

} // namespace

Trashes::Trashes(const Platform& platform, std::unique_ptr<Trash> home)
    : layout_(platform.layout())
    , home_(std::move(home)) {}

std::unique_ptr<Trash> Trashes::homeTrashFor(const Platform& platform) {
    if (platform.layout() == FolderLayout::macOS) {
        return std::make_unique<MacTrash>(platform.home() / ".Trash");
    }
    return std::make_unique<FreedesktopTrash>(platform.applicationSupportFolder() / "Trash");
}

Trash* Trashes::forItem(const fs::path& folder, std::uint64_t device) {
    Trash* trash =
        device == deviceAtOrAbove(home_->folder()) ? home_.get() : &volumeTrash(volumeTop(folder, device));
    return trash->isUsable() ? trash : nullptr;
}

Trash* Trashes::holding(const fs::path& place) {
    if (Location::contains(home_->folder(), place)) {
        return home_.get();
    }
    for (const auto& [top, trash] : volumes_) {
        if (Location::contains(trash->folder(), place)) {
            return trash.get();
        }
    }
    // A volume Trash of an earlier run: its path tells which volume it is on.
    const fs::path folder = Location::resolved(place.parent_path());
    const fs::path volume = volumeTop(folder, deviceAtOrAbove(folder));
    if (volumes_.contains(volume) || !Location::contains(makeVolumeTrash(volume)->folder(), place)) {
        return nullptr;
    }
    return &volumeTrash(volume);
}

std::vector<fs::path> Trashes::folders() const {
    std::vector<fs::path> result{home_->folder()};
    for (const auto& [top, trash] : volumes_) {
        result.push_back(trash->folder());
    }
    return result;
}

std::unique_ptr<Trash> Trashes::makeVolumeTrash(const fs::path& volume) const {
    const unsigned uid = ::getuid();
    if (layout_ == FolderLayout::macOS) {
        return std::make_unique<MacTrash>(MacTrash::volumeFolder(volume, uid));
    }
    return std::make_unique<FreedesktopTrash>(FreedesktopTrash::volumeFolder(volume, uid), volume);
}

Trash& Trashes::volumeTrash(const fs::path& volume) {
    auto& trash = volumes_[volume];
    if (!trash) {
        trash = makeVolumeTrash(volume);
    }
    return *trash;
}

} // namespace tarnwick
