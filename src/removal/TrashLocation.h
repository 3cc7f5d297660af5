#pragma once

#include "platform/OpenFolder.h"
#include "platform/Platform.h"

#include <filesystem>
#include <optional>
#include <sys/types.h>

namespace tarnwick {

// Where a user's Trash for an item lies, worked out the same way by the removal and by the administrator
// helper, which trusts no one to tell it: the home's own Trash for what lies on the home's disk, the
// volume's Trash at the top of any other disk. The folders above a Trash are resolved, the Trash itself
// is not, so that a Trash that is a link is seen as one.
namespace TrashLocation {

// `~/.Trash` in the macOS layout, `$XDG_DATA_HOME/Trash` (by default `~/.local/share/Trash`) otherwise.
std::filesystem::path home(const Platform& platform);

// The Trash of the volume whose top folder is `volumeTop`: `.Trashes/<uid>` in the macOS layout; by the
// freedesktop rules `.Trash/<uid>` when the volume has a shared Trash as they ask (a sticky folder, not a
// link), else `.Trash-<uid>`.
std::filesystem::path onVolume(FolderLayout layout, const std::filesystem::path& volumeTop, uid_t uid);

// The Trash of `uid` for an item in the resolved `folder` on `mount`, with `homeTrash` the Trash of the
// home: that one when the item lies on the home's disk, else the Trash at the top of the item's volume.
// An item on the home's disk but on another mount of it (a folder bound elsewhere) gets the home's Trash
// too, which cannot take it: a move between mounts fails, and the removal refuses such an item.
std::filesystem::path forItem(const std::filesystem::path& homeTrash, FolderLayout layout,
                              const std::filesystem::path& folder, const MountIdentity& mount, uid_t uid);

// The mount of the nearest thing that exists at or above `location`.
std::optional<MountIdentity> mountAtOrAbove(std::filesystem::path location);

// The top folder of the volume holding the resolved `folder`, on `mount`: the highest folder above it on
// the same mount.
std::filesystem::path volumeTop(std::filesystem::path folder, const MountIdentity& mount);

} // namespace TrashLocation
} // namespace tarnwick
