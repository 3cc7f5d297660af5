#include "platform/Platform.h"

#include "platform/Location.h"

#include <algorithm>
#include <cstdlib>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

fs::path homeFromEnvironment() {
    if (const std::string home = environment("HOME"); !home.empty()) {
        return Location::standardized(home);
    }
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
        return Location::standardized(entry->pw_dir);
    }
    return "/";
}

fs::path temporaryFromEnvironment() {
    if (const std::string temporary = environment("TMPDIR"); !temporary.empty()) {
        return Location::standardized(temporary);
    }
    std::error_code error;
    const fs::path system = fs::temp_directory_path(error);
    return error ? fs::path("/tmp") : Location::standardized(system);
}

// The first folder, in name order, matching `<root>/private/var/folders/*/*/T`: where macOS keeps the
// per-user temporary folder of a disk's user.
std::optional<fs::path> findPerUserTemporaryFolder(const fs::path& root) {
    std::vector<fs::path> found;
    std::error_code error;
    const fs::path folders = root / "private/var/folders";
    for (const auto& first : fs::directory_iterator(folders, error)) {
        std::error_code inner;
        for (const auto& second : fs::directory_iterator(first.path(), inner)) {
            if (fs::is_directory(second.path() / "T", inner)) {
                found.push_back(second.path() / "T");
            }
        }
    }
    if (found.empty()) {
        return std::nullopt;
    }
    return *std::min_element(found.begin(), found.end());
}

// The names of the user folders in `users`, in name order: "Shared" and hidden folders are nobody's.
std::vector<std::string> userFolders(const fs::path& users) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(users, error)) {
        std::string name = entry.path().filename().string();
        std::error_code inner;
        if (name != "Shared" && !name.starts_with(".") && entry.is_directory(inner)) {
            names.push_back(std::move(name));
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

// "alice, bob", or "none".
std::string listed(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names) {
        list += (list.empty() ? "" : ", ") + name;
    }
    return list.empty() ? "none" : list;
}

// The home of the disk's user: that of `user` when one is named; else `<root>/Users/<login name>` when
// it exists, else the only other user folder there, else `<root>/Users/<login name>` all the same.
fs::path findHome(const fs::path& root, const std::string& user) {
    const fs::path users = root / "Users";
    const std::vector<std::string> names = userFolders(users);
    if (!user.empty()) {
        if (std::find(names.begin(), names.end(), user) == names.end()) {
            throw HomeChoiceError("There is no user folder \"" + user + "\" in \"" + users.string() +
                                  "\"; the user folders there: " + listed(names) + ".");
        }
        return users / user;
    }
    const fs::path own = users / Platform::userName();
    std::error_code error;
    if (fs::is_directory(own, error) || names.empty()) {
        return own;
    }
    if (names.size() > 1) {
        throw HomeChoiceError("There are several user folders in \"" + users.string() +
                              "\", and none is named \"" + Platform::userName() +
                              "\" (the login name): " + listed(names) + ".");
    }
    return users / names.front();
}

} // namespace

Platform::Platform(Folders folders)
    : folders_(std::move(folders)) {
    if (!folders_.systemRoot.empty()) {
        folders_.systemRoot = Location::standardized(folders_.systemRoot);
        if (folders_.systemRoot == "/") {
            folders_.systemRoot.clear();
        }
    }
}

Platform Platform::current() {
    Folders folders;
    folders.home = homeFromEnvironment();
    folders.temporary = temporaryFromEnvironment();
#ifdef __APPLE__
    folders.layout = FolderLayout::macOS;
#else
    folders.layout = FolderLayout::freedesktop;
    folders.xdgDataHome = environment("XDG_DATA_HOME");
    folders.xdgCacheHome = environment("XDG_CACHE_HOME");
#endif
    folders.preferredLanguages = userLanguages();
    return Platform(std::move(folders));
}

Platform Platform::rooted(const fs::path& root, const std::string& user) {
    Folders folders;
    folders.systemRoot = Location::standardized(fs::absolute(root));
    folders.home = findHome(folders.systemRoot, user);
    folders.temporary = findPerUserTemporaryFolder(folders.systemRoot)
                            .value_or(folders.systemRoot / "private/var/folders/zz" / userName() / "T");
    folders.layout = FolderLayout::macOS;
    folders.preferredLanguages = userLanguages();
    return Platform(std::move(folders));
}

fs::path Platform::applicationSupportFolder() const {
    if (folders_.layout == FolderLayout::macOS) {
        return folders_.home / "Library/Application Support";
    }
    // The freedesktop rules ignore a relative $XDG_DATA_HOME.
    if (folders_.xdgDataHome.is_absolute()) {
        return Location::standardized(folders_.xdgDataHome);
    }
    return folders_.home / ".local/share";
}

fs::path Platform::cachesFolder() const {
    if (folders_.layout == FolderLayout::macOS) {
        return folders_.home / "Library/Caches";
    }
    if (folders_.xdgCacheHome.is_absolute()) {
        return Location::standardized(folders_.xdgCacheHome);
    }
    return folders_.home / ".cache";
}

fs::path Platform::perUserCacheFolder() const {
    return folders_.temporary.parent_path() / "C";
}

fs::path Platform::system(std::string_view absoluteLocation) const {
    if (folders_.systemRoot.empty()) {
        return Location::standardized(fs::path(absoluteLocation));
    }
    return Location::standardized(folders_.systemRoot / fs::path(absoluteLocation).relative_path());
}

fs::path Platform::pathOnSystem(const fs::path& location) const {
    if (folders_.systemRoot.empty()) {
        return location;
    }
    if (!Location::contains(folders_.systemRoot, location, Location::Containment::orSame)) {
        return location;
    }
    const std::string rest = location.native().substr(folders_.systemRoot.native().size());
    return rest.empty() ? "/" : rest;
}

std::string Platform::userName() {
    if (std::string user = environment("USER"); !user.empty()) {
        return user;
    }
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_name != nullptr) {
        return entry->pw_name;
    }
    return "user";
}

std::vector<std::string> Platform::languagesFromEnvironment() {
    std::vector<std::string> languages;
    auto add = [&languages](std::string value) {
        // "de_CH.UTF-8@euro" names the language "de_CH"; "C" and "POSIX" name none.
        value = value.substr(0, value.find_first_of(".@"));
        if (value.empty() || value == "C" || value == "POSIX") {
            return;
        }
        if (std::find(languages.begin(), languages.end(), value) == languages.end()) {
            languages.push_back(std::move(value));
        }
    };
    // LANGUAGE is a colon-separated priority list; it only counts when a locale is set at all.
    const std::string locale = !environment("LC_ALL").empty()        ? environment("LC_ALL")
                               : !environment("LC_MESSAGES").empty() ? environment("LC_MESSAGES")
                                                                     : environment("LANG");
    if (!locale.empty() && locale != "C" && locale != "POSIX") {
        const std::string list = environment("LANGUAGE");
        std::size_t start = 0;
        while (start <= list.size() && !list.empty()) {
            const std::size_t end = std::min(list.find(':', start), list.size());
            add(list.substr(start, end - start));
            start = end + 1;
        }
    }
    add(locale);
    return languages;
}

#ifndef __APPLE__
std::vector<std::string> Platform::languagesFromSystem() {
    return {};
}
#endif

std::vector<std::string> Platform::userLanguages(const std::vector<std::string>& fromSystem) {
    const bool chosen = !environment("LANGUAGE").empty() || !environment("LC_ALL").empty() ||
                        !environment("LC_MESSAGES").empty();
    const std::vector<std::string> fromEnvironment = languagesFromEnvironment();
    std::vector<std::string> languages = chosen ? fromEnvironment : fromSystem;
    for (const std::string& language : chosen ? fromSystem : fromEnvironment) {
        if (std::find(languages.begin(), languages.end(), language) == languages.end()) {
            languages.push_back(language);
        }
    }
    return languages;
}

} // namespace tarnwick
