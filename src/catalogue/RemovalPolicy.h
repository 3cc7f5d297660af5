#pragma once

#include "catalogue/InstalledApp.h"
#include "platform/PathResolver.h"
#include "platform/Platform.h"

#include <filesystem>
#include <string>
#include <vector>

namespace tarnwick {

// Which paths a removal of an application's files may take: the application folders, the Library folders,
// the installer's receipts, the user's Movies, Music and Pictures folders, the per-user cache and temporary
// folders, the dot-folders where the application's own data lives, and a hidden folder of the home named
// after the application; never one of the folders that hold them, nor Tarnwick's own folders. The removal
// refuses everything else, and the scanners preselect nothing it would refuse. The folders are resolved once,
// when the policy is made for one application.
class RemovalPolicy {
public:
    // `ownFolders`: where Tarnwick keeps its history and the Trash; refused with everything inside.
    RemovalPolicy(const Platform& platform, const InstalledApp& app,
                  const std::vector<std::filesystem::path>& ownFolders = {});

    struct Verdict {
        bool allowed = false;
        // The resolved path when allowed; else the path a refusal names: the resolved one, or the path
        // as given when its text is refused.
        std::filesystem::path path;
    };

    // Refused: any location outside those places, any protected folder itself, any path with "." or ".."
    // in it (what is checked must be what moves), and any path that is not UTF-8 (a history could not
    // record it).
    Verdict judge(const std::filesystem::path& location) const;
    bool allows(const std::filesystem::path& location) const { return judge(location).allowed; }

    // Whether a resolved location lies strictly inside the per-user cache ("C") or temporary ("T") folder.
    bool isInsideCurrentDarwinCache(const std::filesystem::path& resolvedLocation) const;

private:
    // Whether a resolved location is a hidden folder of the home named after the application.
    bool isAppsHomeFolder(const std::filesystem::path& resolvedLocation) const;

    // Resolved paths shorter than this are refused whatever else they are: "/", "/bin", "/usr".
    static constexpr std::size_t shortestRemovablePath = 5;

    std::vector<std::filesystem::path> protectedFolders_; // refused themselves
    std::vector<std::filesystem::path> acceptedFolders_;  // what lies below them is accepted
    std::vector<std::filesystem::path> perUserFolders_;   // the per-user cache "C" and temporary "T"
    std::vector<std::filesystem::path> dotFolders_;       // accepted only for what lies below them
    std::vector<std::filesystem::path> ownFolders_;       // refused with everything inside
    std::filesystem::path home_;
    std::vector<std::string> homeFolderKeys_; // "~/.<key>" may be the application's own
    mutable PathResolver resolver_;
};

} // namespace tarnwick
