#pragma once

#include "InstalledApp.h"
#include "Platform.h"

#include <filesystem>

namespace tarnwick {

// Which paths a removal may touch: the application folders, the Library folders, the user's Movies,
// Music and Pictures folders, the per-user cache and temporary folders, and the dot-folders where the
// application's own data lives; never one of the folders that hold them.
namespace PathSafety {

// Throws TrashError::unsafePath, naming the resolved path, for any location outside those places, any
// protected folder itself, and any path that is not UTF-8 (the history could not record it).
void validate(const std::filesystem::path& location, const Platform& platform, const InstalledApp& app);

// Whether a resolved location lies strictly inside the per-user cache ("C") or temporary ("T") folder.
bool isInsideCurrentDarwinCache(const std::filesystem::path& resolvedLocation, const Platform& platform);

} // namespace PathSafety
} // namespace tarnwick
