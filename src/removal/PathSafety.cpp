#include "PathSafety.h"

#include "AppIdentifiers.h"
#include "Location.h"
#include "PlistValue.h"
#include "Text.h"
#include "TrashError.h"

#include <array>
#include <string>
#include <string_view>

namespace tarnwick::PathSafety {

namespace fs = std::filesystem;

namespace {

fs::path resolvedForm(const fs::path& location) {
    return Location::resolved(Location::standardized(location));
}

bool startsWith(const std::string& path, const std::string& prefix) {
    return path.starts_with(prefix);
}

// The dot-folders of the home that hold data of Linux-style tools: only what lies strictly inside them.
bool isInsideOwnDotFolder(const std::string& path, const std::string& home, const InstalledApp& app) {
    std::vector<std::string> folders{home + "/.config/", home + "/.local/share/"};
    if (const auto vendor = ResidualScanner::vendorToken(app.bundleID)) {
        folders.push_back(home + "/." + *vendor + "/");
    }
    for (const std::string& folder : folders) {
        if (path.size() > folder.size() && startsWith(path, folder)) {
            return true;
        }
    }
    return false;
}

} // namespace

void validate(const fs::path& location, const Platform& platform, const InstalledApp& app) {
    const fs::path resolved = resolvedForm(location);
    const std::string path = resolved.string();
    const std::string home = resolvedForm(platform.home()).string();
    const auto system = [&platform](std::string_view absolute) {
        return resolvedForm(platform.system(absolute)).string();
    };

    // A path the history cannot write down could never be put back.
    if (validUtf8(path) != path) {
        throw TrashError::unsafePath(path);
    }
    const std::array<std::string, 9> protectedFolders{
        system("/"), system("/Applications"), system("/Library"),  system("/System"), system("/Users"),
        home,        home + "/Library",       home + "/Documents", home + "/Desktop",
    };
    for (const std::string& folder : protectedFolders) {
        if (path == folder) {
            throw TrashError::unsafePath(path);
        }
    }
    if (Text::characterCount(path) < 5) {
        throw TrashError::unsafePath(path);
    }
    const std::array<std::string, 7> acceptedPrefixes{
        system("/Applications") + "/",
        system("/Library") + "/",
        home + "/Applications/",
        home + "/Library/",
        home + "/Movies/",
        home + "/Music/",
        home + "/Pictures/",
    };
    for (const std::string& prefix : acceptedPrefixes) {
        if (startsWith(path, prefix)) {
            return;
        }
    }
    if (isInsideCurrentDarwinCache(resolved, platform) || isInsideOwnDotFolder(path, home, app)) {
        return;
    }
    throw TrashError::unsafePath(path);
}

bool isInsideCurrentDarwinCache(const fs::path& resolvedLocation, const Platform& platform) {
    const fs::path perUserFolder = resolvedForm(platform.temporaryFolder()).parent_path();
    const std::string path = resolvedLocation.string();
    for (const char* name : {"C", "T"}) {
        if (startsWith(path, resolvedForm(perUserFolder / name).string() + "/")) {
            return true;
        }
    }
    return false;
}

} // namespace tarnwick::PathSafety
