#include "removal/FreedesktopTrash.h"

#include "platform/FileOperations.h"
#include "platform/Location.h"
#include "platform/PlatformError.h"
#include "platform/Text.h"
#include "removal/TrashName.h"

#include <cerrno>
#include <climits>
#include <ctime>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view infoSuffix = ".trashinfo";
constexpr int attempts = 10000;

// Creates the folder, and its missing parents, private to the user; a folder already there is fine.
void ensureFolder(const fs::path& folder, bool withParents = true) {
    try {
        FileOperations::createFolder(folder, 0700);
    } catch (const PlatformError& error) {
        if (withParents && error.hasCode(PlatformError::posixDomain, ENOENT) && folder.has_relative_path()) {
            ensureFolder(folder.parent_path());
            ensureFolder(folder, false);
        } else if (!error.hasCode(PlatformError::posixDomain, EEXIST)) {
            throw;
        }
    }
}

// The path as a URL path: RFC 2396 escaping of every byte but the unreserved ones and "/".
std::string escapedPath(const std::string& path) {
    static constexpr std::string_view kept = "-_.!~*'()/";
    std::string escaped;
    for (const char character : path) {
        const auto byte = static_cast<unsigned char>(character);
        const bool alphanumeric =
            (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9');
        if (alphanumeric || kept.find(character) != std::string_view::npos) {
            escaped += character;
        } else {
            escaped += {'%', Text::hexDigit(byte >> 4), Text::hexDigit(byte)};
        }
    }
    return escaped;
}

} // namespace

FreedesktopTrash::FreedesktopTrash(fs::path trashFolder, std::optional<fs::path> volume)
    : folder_(Location::standardized(trashFolder))
    , volume_(std::move(volume)) {}

Trash::Usability FreedesktopTrash::usability() const {
    struct stat status {};
    if (::lstat(folder_.c_str(), &status) == 0) {
        if (S_ISLNK(status.st_mode)) {
            return Usability::link;
        }
        for (const char* part : {"files", "info"}) {
            struct stat partStatus {};
            if (::lstat((folder_ / part).c_str(), &partStatus) == 0 && !S_ISDIR(partStatus.st_mode)) {
                return S_ISLNK(partStatus.st_mode) ? Usability::link : Usability::unusable;
            }
        }
        const bool usable = S_ISDIR(status.st_mode) && status.st_uid == ::getuid() &&
                            ::access(folder_.c_str(), W_OK | X_OK) == 0;
        return usable ? Usability::usable : Usability::unusable;
    }
    // The home Trash is made with its missing parents; a volume's only inside the volume's top folder.
    fs::path existing = folder_.parent_path();
    while (!volume_ && !FileOperations::exists(existing) && existing.has_relative_path()) {
        existing = existing.parent_path();
    }
    if (::lstat(existing.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
        return Usability::link;
    }
    const bool creatable = ::lstat(existing.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
                           ::access(existing.c_str(), W_OK | X_OK) == 0;
    return creatable ? Usability::usable : Usability::unusable;
}

std::string FreedesktopTrash::infoName(const fs::path& place) {
    return place.filename().string() + std::string(infoSuffix);
}

fs::path FreedesktopTrash::infoFile(const fs::path& place) const {
    return folder_ / "info" / infoName(place);
}

std::string FreedesktopTrash::infoText(const fs::path& item) const {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    fs::path path = Location::standardized(fs::absolute(item));
    // A volume's Trash gives paths from the volume's top, so that they still hold when it is mounted
    // elsewhere.
    if (volume_ && Location::contains(*volume_, path)) {
        path = path.native().substr(volume_->native().size() + 1);
    }
    return "[Trash Info]\nPath=" + escapedPath(path.string()) + "\nDeletionDate=" + date + "\n";
}

fs::path FreedesktopTrash::plannedPlace(const fs::path& item, const std::set<fs::path>& planned) const {
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        const std::string name = TrashName::candidate(item, attempt, NAME_MAX - infoSuffix.size());
        const fs::path place = folder_ / "files" / name;
        if (!planned.contains(place) && !FileOperations::exists(place) &&
            !FileOperations::exists(infoFile(place))) {
            return place;
        }
    }
    throw PlatformError::fromErrno(EEXIST, "move to the Trash", item);
}

const OpenFolder& FreedesktopTrash::open() {
    // Made on first use, and again if someone deleted them since.
    if (!FileOperations::exists(folder_ / "files") || !FileOperations::exists(folder_ / "info")) {
        ensureFolder(folder_ / "files");
        ensureFolder(folder_ / "info");
    }
    return held_.open(folder_);
}

const OpenFolder& FreedesktopTrash::infoFolder() {
    open();
    return held_.open(folder_ / "info");
}

void FreedesktopTrash::moveTo(const OpenFolder& from, std::string_view name, const fs::path& item,
                              const fs::path& place) {
    const OpenFolder& info = infoFolder();
    const OpenFolder& files = held_.open(folder_ / "files");
    // Creating the info file only when its name is free reserves the name against other programs.
    if (!info.createFile(infoName(place), infoText(item))) {
        throw PlatformError::fromErrno(EEXIST, "move to the Trash", item);
    }
    try {
        from.moveWithoutReplacing(name, files, place.filename().native());
    } catch (const PlatformError&) {
        info.removeFile(infoName(place));
        throw;
    }
}

void FreedesktopTrash::abandon(const fs::path& place) {
    if (Location::standardized(place).parent_path() != folder_ / "files" || FileOperations::exists(place)) {
        return;
    }
    try {
        infoFolder().removeFile(infoName(place));
    } catch (const PlatformError&) {
        // An info file that stays only names an item that is not there; file managers skip it.
    }
}

void FreedesktopTrash::itemWasRestored(const fs::path& place) {
    abandon(place);
}

} // namespace tarnwick
