#pragma once

#include "InstalledApp.h"
#include "Platform.h"

#include <filesystem>
#include <string>
#include <vector>

namespace tarnwick {

// Which paths a removal may touch: the application folders, the Library folders, the user's Movies,
// Music and Pictures folders, the per-user cache and temporary folders, and the dot-folders where the
// application's own data lives; never one of the folders that hold them. The folders are resolved once,
// when the rules are made for one removal.
class PathSafety {
public:
    PathSafety(const Platform& platform, const InstalledApp& app);

    // Throws TrashError::unsafePath, naming the resolved path, for any location outside those places, any
    // protected folder itself, and any path that is not UTF-8 (the history could not record it).
    void validate(const std::filesystem::path& location) const;

    // Whether a resolved location lies strictly inside the per-user cache ("C") or temporary ("T") folder.
    bool isInsideCurrentDarwinCache(const std::filesystem::path& resolvedLocation) const;

private:
    std::vector<std::string> protectedFolders_;
    std::vector<std::string> acceptedPrefixes_;  // in the order they are tried
    std::vector<std::string> perUserPrefixes_;   // ".../C/", ".../T/"
    std::vector<std::string> dotFolderPrefixes_; // accepted only for what lies below them
};

} // namespace tarnwick
