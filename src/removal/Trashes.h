#pragma once

#include "platform/OpenFolder.h"
#include "platform/Platform.h"
#include "removal/Trash.h"

#include <filesystem>
#include <map>
#include <memory>
#include <vector>

namespace tarnwick {

// Which Trash an item goes to: the user's own for what lies on the home folder's disk, the volume's own
// Trash for what lies on another (".Trashes/<uid>" in the macOS layout, ".Trash-<uid>" by the freedesktop
// rules), since a move can never cross volumes.
class Trashes {
public:
    // `home` is the user's Trash; volume Trashes follow the platform's layout.
    Trashes(const Platform& platform, std::unique_ptr<Trash> home);

    // The user's Trash on this system: `~/.Trash` in the macOS layout, the freedesktop Trash otherwise.
    static std::unique_ptr<Trash> homeTrashFor(const Platform& platform);

    Trash& home() { return *home_; }

    // The Trash for an item in the resolved `folder` on `mount`, whether or not it can take it (ask its
    // usability and mount).
    Trash& forItem(const std::filesystem::path& folder, const MountIdentity& mount);

    // The Trash whose folder holds `place` (a path a record gave), strictly; null when none does.
    Trash* holding(const std::filesystem::path& place);

    // The folders of the Trashes met so far, the user's own first.
    std::vector<std::filesystem::path> folders() const;

private:
    Trash& volumeTrash(const std::filesystem::path& folder, const std::filesystem::path& volume);

    FolderLayout layout_;
    std::unique_ptr<Trash> home_;
    std::map<std::filesystem::path, std::unique_ptr<Trash>> volumes_; // by their folder
};

} // namespace tarnwick
