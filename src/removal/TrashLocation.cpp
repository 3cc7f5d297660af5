#include "removal/TrashLocation.h"

#include "platform/Location.h"

#include <string>
#include <sys/stat.h>

namespace tarnwick::TrashLocation {

namespace fs = std::filesystem;

fs::path home(const Platform& platform) {
    if (platform.layout() == FolderLayout::macOS) {
        return Location::resolvedButLast(platform.home() / ".Trash");
    }
    return Location::resolvedButLast(platform.applicationSupportFolder() / "Trash");
}

fs::path onVolume(FolderLayout layout, const fs::path& volumeTop, uid_t uid) {
    const std::string user = std::to_string(uid);
    if (layout == FolderLayout::macOS) {
        return volumeTop / ".Trashes" / user;
    }
    struct stat status {};
    const fs::path shared = volumeTop / ".Trash";
    if (::lstat(shared.c_str(), &status) == 0 && S_ISDIR(status.st_mode) && (status.st_mode & S_ISVTX) != 0) {
        return shared / user;
    }
    return volumeTop / (".Trash-" + user);
}

std::optional<MountIdentity> mountAtOrAbove(fs::path location) {
    for (;;) {
        if (auto mount = MountIdentity::at(location)) {
            return mount;
        }
        if (!location.has_relative_path()) {
            return std::nullopt;
        }
        location = location.parent_path();
    }
}

fs::path volumeTop(fs::path folder, const MountIdentity& mount) {
    while (folder.has_relative_path()) {
        const auto above = MountIdentity::at(folder.parent_path());
        if (!above || !above->isSameMount(mount)) {
            break;
        }
        folder = folder.parent_path();
    }
    return folder;
}

fs::path forItem(const fs::path& homeTrash, FolderLayout layout, const fs::path& folder,
                 const MountIdentity& mount, uid_t uid) {
    const auto homeMount = mountAtOrAbove(homeTrash);
    if (homeMount && homeMount->device == mount.device) {
        return homeTrash;
    }
    return onVolume(layout, volumeTop(folder, mount), uid);
}

} // namespace tarnwick::TrashLocation
