#include "removal/MacTrash.h"

#include "platform/FileOperations.h"
#include "platform/Location.h"
#include "platform/PlatformError.h"
#include "removal/TrashName.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

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

} // namespace

MacTrash::MacTrash(fs::path trashFolder)
    : folder_(std::move(trashFolder)) {}

fs::path MacTrash::moveToTrash(const fs::path& item) {
    // The Finder makes the Trash on first use; so do we, private to the user as it is on a Mac.
    if (!FileOperations::exists(folder_)) {
        try {
            FileOperations::createFolder(folder_, 0700);
        } catch (const PlatformError& error) {
            if (!error.hasCode(PlatformError::posixDomain, EEXIST)) {
                throw trashError(error, item);
            }
        }
    }
    // Every name is tried with a move that cannot replace, so a name taken in the meantime costs a retry.
    constexpr int attempts = 10000;
    for (int attempt = 1;; ++attempt) {
        const fs::path destination = folder_ / TrashName::candidate(item, attempt);
        try {
            FileOperations::moveWithoutReplacing(item, destination);
            return destination;
        } catch (const PlatformError& error) {
            if (!error.hasCode(PlatformError::posixDomain, EEXIST) || attempt == attempts) {
                throw trashError(error, item);
            }
        }
    }
}

} // namespace tarnwick
