#pragma once

#include "catalogue/InstalledApp.h"
#include "platform/PathResolver.h"
#include "platform/Platform.h"

#include <filesystem>
#include <string>
#include <vector>

namespace tarnwick {

// Which paths a removal may touch: the application folders, the Library folders, the user's Movies,
// Music and Pictures folders, the per-user cache and temporary folders, and the dot-folders where the
// application's own data lives; never one of the folders that hold them, nor Tarnwick's own folders. The
// folders are resolved once, when the rules are made for one removal.
class PathSafety {
public:
    // `ownFolders`: where Tarnwick keeps its history and the Trash; refused with everything inside.
    PathSafety(const Platform& platform, const InstalledApp& app,
               const std::vector<std::filesystem::path>& ownFolders = {});

    // Throws TrashError::unsafePath, naming the resolved path, for any location outside those places, any
    // protected folder itself, any path with "." or ".." in it (what is checked must be what moves), and
    // any path that is not UTF-8 (the history could not record it).
    // Returns the resolved path that passed.
    std::filesystem::path validate(const std::filesystem::path& location) const;

    // Whether a resolved location lies strictly inside the per-user cache ("C") or temporary ("T") folder.
    bool isInsideCurrentDarwinCache(const std::filesystem::path& resolvedLocation) const;

private:
    // Resolved paths shorter than this are refused whatever else they are: "/", "/bin", "/usr".
    static constexpr std::size_t shortestRemovablePath = 5;

    std::vector<std::filesystem::path> protectedFolders_; // refused themselves
    std::vector<std::filesystem::path> acceptedFolders_;  // what lies below them is accepted
    std::vector<std::filesystem::path> perUserFolders_;   // the per-user cache "C" and temporary "T"
    std::vector<std::filesystem::path> dotFolders_;       // accepted only for what lies below them
    std::vector<std::filesystem::path> ownFolders_;       // refused with everything inside
    mutable PathResolver resolver_;
};

} // namespace tarnwick
