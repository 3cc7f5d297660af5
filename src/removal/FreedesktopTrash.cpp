#include "removal/FreedesktopTrash.h"

#include "platform/FileOperations.h"
#include "platform/Location.h"
#include "platform/PlatformError.h"
#include "platform/Text.h"
#include "removal/TrashName.h"

#include <cerrno>
#include <climits>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <unistd.h>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view infoSuffix = ".trashinfo";

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

std::string infoText(const fs::path& item) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    return "[Trash Info]\nPath=" + escapedPath(Location::standardized(fs::absolute(item)).string()) +
           "\nDeletionDate=" + date + "\n";
}

} // namespace

FreedesktopTrash::FreedesktopTrash(fs::path trashFolder)
    : folder_(std::move(trashFolder)) {}

fs::path FreedesktopTrash::moveToTrash(const fs::path& item) {
    // Made on first use, and again if someone deleted them since.
    ensureFolder(folder_ / "files");
    ensureFolder(folder_ / "info");
    const std::string text = infoText(item);
    constexpr int attempts = 10000;
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        const std::string name = TrashName::candidate(item, attempt, NAME_MAX - infoSuffix.size());
        const fs::path infoFile = folder_ / "info" / (name + std::string(infoSuffix));
        // Creating the info file only when its name is free reserves the name against other programs.
        if (!FileOperations::createNew(infoFile, text)) {
            continue;
        }
        const fs::path destination = folder_ / "files" / name;
        try {
            FileOperations::moveWithoutReplacing(item, destination);
            return destination;
        } catch (const PlatformError& error) {
            ::unlink(infoFile.c_str());
            // A name taken in "files" without an info file is someone else's: leave it, take the next.
            if (!error.hasCode(PlatformError::posixDomain, EEXIST)) {
                throw;
            }
        }
    }
    throw PlatformError::fromErrno(EEXIST, "move to the Trash", item);
}

void FreedesktopTrash::itemWasRestored(const fs::path& trashLocation) {
    const fs::path location = Location::standardized(trashLocation);
    if (location.parent_path() != Location::standardized(folder_ / "files")) {
        return;
    }
    ::unlink((folder_ / "info" / (location.filename().string() + std::string(infoSuffix))).c_str());
}

} // namespace tarnwick
