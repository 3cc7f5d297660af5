#include "catalogue/RemovalPolicy.h"

#include "catalogue/AppNameKeys.h"
#include "catalogue/BundleIdentifier.h"
#include "platform/Location.h"
#include "platform/Text.h"

#include <algorithm>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

fs::path resolvedPath(const fs::path& location) {
    return Location::resolved(Location::standardized(location));
}

bool isInsideAny(const std::vector<fs::path>& folders, const fs::path& location,
                 Location::Containment containment = Location::Containment::strict) {
    return std::any_of(folders.begin(), folders.end(), [&](const fs::path& folder) {
        return Location::contains(folder, location, containment);
    });
}

} // namespace

RemovalPolicy::RemovalPolicy(const Platform& platform, const InstalledApp& app,
                             const std::vector<fs::path>& ownFolders) {
    const fs::path home = resolvedPath(platform.home());
    const auto system = [&platform](const char* absolute) { return resolvedPath(platform.system(absolute)); };
    protectedFolders_ = {system("/"),       system("/Applications"), system("/Library"),
                         system("/System"), system("/Users"),        home,
                         home / "Library",  home / "Documents",      home / "Desktop"};
    // The installer's receipts: moving one makes the system forget a package it no longer holds.
    acceptedFolders_ = {system("/Applications"), system("/Library"), system("/private/var/db/receipts"),
                        home / "Applications",   home / "Library",   home / "Movies",
                        home / "Music",          home / "Pictures"};
    // Unknown, as to a helper acting for another user, it accepts nothing.
    if (!platform.temporaryFolder().empty()) {
        const fs::path perUserFolder = resolvedPath(platform.temporaryFolder()).parent_path();
        for (const char* name : {"C", "T"}) {
            perUserFolders_.push_back(resolvedPath(perUserFolder / name));
        }
    }
    home_ = home;
    homeFolderKeys_ = AppNameKeys::homeFolderKeys(app);
    dotFolders_ = {home / ".config", home / ".local/share"};
    if (const auto dotFolder = BundleIdentifier::vendorDotFolder(app.bundleID)) {
        dotFolders_.push_back(home / *dotFolder);
    }
    for (const fs::path& folder : ownFolders) {
        ownFolders_.push_back(resolvedPath(folder));
    }
}

RemovalPolicy::Verdict RemovalPolicy::judge(const fs::path& location) const {
    // The item moves by its own path: a ".." after a link would lead somewhere else than the check saw.
    std::string given = location.string();
    while (given.size() > 1 && given.ends_with('/')) {
        given.pop_back(); // a trailing separator changes nothing
    }
    if (Location::standardized(location).native() != given || !location.is_absolute()) {
        return {false, location};
    }
    // A path a history cannot write down could never be put back.
    if (Text::validUtf8(given) != given) {
        return {false, given};
    }
    fs::path resolved = resolver_.resolved(location);
    const std::string& path = resolved.native();
    const bool refused =
        Text::validUtf8(path) != path || isInsideAny(ownFolders_, resolved, Location::Containment::orSame) ||
        std::find(protectedFolders_.begin(), protectedFolders_.end(), resolved) != protectedFolders_.end() ||
        Text::characterCount(path) < shortestRemovablePath;
    // Tools that keep Linux habits put their data in the dot-folders; the folders themselves hold
    // everyone's.
    const bool accepted = isInsideAny(acceptedFolders_, resolved) || isInsideCurrentDarwinCache(resolved) ||
                          isInsideAny(dotFolders_, resolved) || isAppsHomeFolder(resolved);
    return {!refused && accepted, std::move(resolved)};
}

bool RemovalPolicy::isAppsHomeFolder(const fs::path& resolvedLocation) const {
    const std::string name = resolvedLocation.filename().string();
    if (resolvedLocation.parent_path() != home_ || name.size() < 2 || name[0] != '.' ||
        BundleIdentifier::isEveryonesDotFolder(name.substr(1))) {
        return false;
    }
    const std::string key = Text::normalizedName(name.substr(1));
    return std::find(homeFolderKeys_.begin(), homeFolderKeys_.end(), key) != homeFolderKeys_.end();
}

bool RemovalPolicy::isInsideCurrentDarwinCache(const fs::path& resolvedLocation) const {
    return isInsideAny(perUserFolders_, resolvedLocation);
}

} // namespace tarnwick
