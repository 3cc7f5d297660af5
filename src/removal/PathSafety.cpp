#include "removal/PathSafety.h"

#include "formats/PlistValue.h"
#include "platform/Location.h"
#include "platform/Text.h"
#include "removal/TrashError.h"
#include "residuals/AppIdentifiers.h"

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

std::string resolvedPath(const fs::path& location) {
    return Location::resolved(Location::standardized(location)).string();
}

bool isStrictlyInside(const std::string& path, const std::string& folderWithSeparator) {
    return path.size() > folderWithSeparator.size() && path.starts_with(folderWithSeparator);
}

} // namespace

PathSafety::PathSafety(const Platform& platform, const InstalledApp& app,
                       const std::vector<fs::path>& ownFolders) {
    const std::string home = resolvedPath(platform.home());
    const auto system = [&platform](const char* absolute) { return resolvedPath(platform.system(absolute)); };
    protectedFolders_ = {system("/"),       system("/Applications"), system("/Library"),
                         system("/System"), system("/Users"),        home,
                         home + "/Library", home + "/Documents",     home + "/Desktop"};
    acceptedPrefixes_ = {system("/Applications") + "/",
                         system("/Library") + "/",
                         home + "/Applications/",
                         home + "/Library/",
                         home + "/Movies/",
                         home + "/Music/",
                         home + "/Pictures/"};
    const fs::path perUserFolder = fs::path(resolvedPath(platform.temporaryFolder())).parent_path();
    for (const char* name : {"C", "T"}) {
        perUserPrefixes_.push_back(resolvedPath(perUserFolder / name) + "/");
    }
    dotFolderPrefixes_ = {home + "/.config/", home + "/.local/share/"};
    if (const auto dotFolder = ResidualScanner::vendorDotFolder(app.bundleID)) {
        dotFolderPrefixes_.push_back(home + "/" + *dotFolder + "/");
    }
    for (const fs::path& folder : ownFolders) {
        ownFolders_.push_back(resolvedPath(folder));
    }
}

void PathSafety::validate(const fs::path& location) const {
    // The item moves by its own path: a ".." after a link would lead somewhere else than the check saw.
    std::string given = location.string();
    while (given.size() > 1 && given.ends_with('/')) {
        given.pop_back(); // a trailing separator changes nothing
    }
    if (Location::standardized(location).native() != given || !location.is_absolute()) {
        throw TrashError::unsafePath(location.string());
    }
    const fs::path resolved = Location::resolved(location);
    const std::string path = resolved.string();
    // A path the history cannot write down could never be put back.
    if (validUtf8(given) != given) {
        throw TrashError::unsafePath(given);
    }
    if (validUtf8(path) != path) {
        throw TrashError::unsafePath(path);
    }
    for (const std::string& folder : ownFolders_) {
        if (path == folder || path.starts_with(folder + "/")) {
            throw TrashError::unsafePath(path);
        }
    }
    for (const std::string& folder : protectedFolders_) {
        if (path == folder) {
            throw TrashError::unsafePath(path);
        }
    }
    if (Text::characterCount(path) < 5) {
        throw TrashError::unsafePath(path);
    }
    for (const std::string& prefix : acceptedPrefixes_) {
        if (path.starts_with(prefix)) {
            return;
        }
    }
    if (isInsideCurrentDarwinCache(resolved)) {
        return;
    }
    // Tools that keep Linux habits put their data here; the folders themselves hold everyone's.
    for (const std::string& prefix : dotFolderPrefixes_) {
        if (isStrictlyInside(path, prefix)) {
            return;
        }
    }
    throw TrashError::unsafePath(path);
}

bool PathSafety::isInsideCurrentDarwinCache(const fs::path& resolvedLocation) const {
    const std::string path = resolvedLocation.string();
    for (const std::string& prefix : perUserPrefixes_) {
        if (path.starts_with(prefix)) {
            return true;
        }
    }
    return false;
}

} // namespace tarnwick
