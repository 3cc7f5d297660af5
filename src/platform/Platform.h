#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// Where the system keeps the user's folders: the macOS layout, or the freedesktop one on a Linux desktop.
enum class FolderLayout { macOS, freedesktop };

// Why a disk's home cannot be told: no user folder has the name asked for, or, with none asked for,
// there are several and none has the login name. The message lists the user folders there.
class HomeChoiceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The operating system as the logic sees it: the user's folders and the optional system root under which
// every absolute macOS location lives. A plain value: build it once and pass it to whoever needs it.
class Platform {
public:
    struct Folders {
        std::filesystem::path home{};
        std::filesystem::path temporary{};  // per-user temporary folder ($TMPDIR)
        std::filesystem::path systemRoot{}; // empty: the real system
        FolderLayout layout = FolderLayout::macOS;
        std::filesystem::path xdgDataHome{};           // freedesktop only; empty: ~/.local/share
        std::filesystem::path xdgCacheHome{};          // freedesktop only; empty: ~/.cache
        std::vector<std::string> preferredLanguages{}; // most preferred first, e.g. "de_CH", "de"
    };

    explicit Platform(Folders folders);

    // The running system: home from $HOME (else the password database), $TMPDIR (else the system's),
    // the macOS layout on macOS, the freedesktop layout elsewhere, the languages of `userLanguages`.
    static Platform current();

    // A Mac whose disk is mounted at `root`: macOS layout, the user's home and temporary folder inside it.
    // Home is `<root>/Users/<user>` when a user is named; else `<root>/Users/<login name>`, or the only
    // user folder there, or `<root>/Users/<login name>` when there is none. The temporary folder is the
    // first `<root>/private/var/folders/*/*/T`. Nothing is created. Throws HomeChoiceError when the named
    // user has no folder there, or when none is named and several others have one.
    static Platform rooted(const std::filesystem::path& root, const std::string& user = {});

    const std::filesystem::path& home() const { return folders_.home; }
    const std::filesystem::path& temporaryFolder() const { return folders_.temporary; }
    const std::filesystem::path& systemRoot() const { return folders_.systemRoot; }
    FolderLayout layout() const { return folders_.layout; }
    const std::vector<std::string>& preferredLanguages() const { return folders_.preferredLanguages; }

    // The user's Application Support folder (~/Library/Application Support, or $XDG_DATA_HOME).
    std::filesystem::path applicationSupportFolder() const;
    // Where programs keep rebuildable data (~/Library/Caches, or $XDG_CACHE_HOME).
    std::filesystem::path cachesFolder() const;
    // The per-user cache folder "C" beside the temporary folder "T".
    std::filesystem::path perUserCacheFolder() const;

    // An absolute macOS location ("/Library/Caches") on this system: under the root when one is set.
    std::filesystem::path system(std::string_view absoluteLocation) const;

    // The inverse of `system`: a location inside the root as the Mac itself names it ("/Library/Caches"),
    // so that rules about macOS paths do not see the folder the disk is mounted at. Locations outside
    // the root come back unchanged.
    std::filesystem::path pathOnSystem(const std::filesystem::path& location) const;

    // The login name of the current user ($USER, else the password database).
    static std::string userName();
    // Preferred languages from the locale environment (LANGUAGE, LC_ALL, LC_MESSAGES, LANG).
    static std::vector<std::string> languagesFromEnvironment();
    // The languages chosen in the system's settings, most preferred first ("de-CH", "zh-Hant-TW"); none
    // but on macOS.
    static std::vector<std::string> languagesFromSystem();
    // The user's languages, most preferred first: those set on purpose in the environment (LANGUAGE,
    // LC_ALL, LC_MESSAGES), then `fromSystem`, then the one LANG names. A Mac's terminal sets LANG by
    // itself, from the first of the system's languages only, and a program started from the Finder has
    // no locale environment at all; elsewhere `fromSystem` is empty and the environment decides alone.
    static std::vector<std::string>
    userLanguages(const std::vector<std::string>& fromSystem = languagesFromSystem());

private:
    Folders folders_;
};

} // namespace tarnwick
