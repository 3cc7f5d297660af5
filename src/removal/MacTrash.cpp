#include "removal/MacTrash.h"

#include "platform/FileOperations.h"
#include "platform/Location.h"
#include "platform/PlatformError.h"
#include "removal/TrashName.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

constexpr int attempts = 10000;
// A volume's ".Trashes": everyone may add a folder of their own, nobody may list or remove another's.
constexpr unsigned volumeTrashesPermissions = 01333;

// How Foundation reports a failed move to the Trash: a Cocoa error over the POSIX one.
PlatformError trashError(const PlatformError& cause, const fs::path& item) {
    constexpr int noSuchFile = 4;
    constexpr int writeNoPermission = 513;
    constexpr int writeUnknown = 512;
    const int code = cause.code() == ENOENT                            ? noSuchFile
                     : cause.code() == EACCES || cause.code() == EPERM ? writeNoPermission
                                                                       : writeUnknown;
    const std::string name = Location::lastComponent(item);
    const std::string message =
        code == writeNoPermission
            ? "\u201C" + name +
                  "\u201D couldn\u2019t be moved to the Trash because you "
                  "don\u2019t have permission to access it."
            : "\u201C" + name + "\u201D couldn\u2019t be moved to the Trash: " + std::strerror(cause.code()) +
                  ".";
    return PlatformError(std::string(PlatformError::cocoaDomain), code, message,
                         std::make_shared<const PlatformError>(cause));
}

bool isWritableFolder(const fs::path& folder) {
    struct stat status {};
    return ::lstat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
           ::access(folder.c_str(), W_OK | X_OK) == 0;
}

} // namespace

MacTrash::MacTrash(fs::path trashFolder)
    : folder_(Location::standardized(trashFolder)) {}

Trash::Usability MacTrash::usability() const {
    struct stat status {};
    if (::lstat(folder_.c_str(), &status) == 0) {
        if (S_ISLNK(status.st_mode)) {
            return Usability::link;
        }
        const bool usable = S_ISDIR(status.st_mode) && status.st_uid == ::getuid() &&
                            ::access(folder_.c_str(), W_OK | X_OK) == 0;
        return usable ? Usability::usable : Usability::unusable;
    }
    const fs::path parent = folder_.parent_path();
    if (::lstat(parent.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
        return Usability::link;
    }
    const bool creatable =
        isWritableFolder(parent) || (parent.filename() == ".Trashes" && !FileOperations::exists(parent) &&
                                     isWritableFolder(parent.parent_path()));
    return creatable ? Usability::usable : Usability::unusable;
}

fs::path MacTrash::plannedPlace(const fs::path& item, const std::set<fs::path>& planned) const {
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        const fs::path place = folder_ / TrashName::candidate(item, attempt);
        if (!planned.contains(place) && !FileOperations::exists(place)) {
            return place;
        }
    }
    throw trashError(PlatformError::fromErrno(EEXIST, "move to the Trash", item), item);
}

void MacTrash::create() const {
    const fs::path parent = folder_.parent_path();
    if (parent.filename() == ".Trashes" && !FileOperations::exists(parent)) {
        try {
            FileOperations::createFolder(parent, volumeTrashesPermissions);
            ::chmod(parent.c_str(), volumeTrashesPermissions); // the creation mask takes the sticky bit
        } catch (const PlatformError& error) {
            if (!error.hasCode(PlatformError::posixDomain, EEXIST)) {
                throw;
            }
        }
    }
    try {
        FileOperations::createFolder(folder_, 0700);
    } catch (const PlatformError& error) {
        if (!error.hasCode(PlatformError::posixDomain, EEXIST)) {
            throw;
        }
    }
}

const OpenFolder& MacTrash::open() {
    try {
        return held_.open(folder_);
    } catch (const PlatformError& error) {
        if (!error.hasCode(PlatformError::posixDomain, ENOENT)) {
            throw;
        }
    }
    create();
    return held_.open(folder_);
}

void MacTrash::moveTo(const OpenFolder& from, std::string_view name, const fs::path& item,
                      const fs::path& place) {
    try {
        from.moveWithoutReplacing(name, open(), place.filename().native());
    } catch (const PlatformError& error) {
        throw trashError(error, item);
    }
}

} // namespace tarnwick
