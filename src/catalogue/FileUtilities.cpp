#include "catalogue/FileUtilities.h"

#include "catalogue/Bundle.h"
#include "platform/DirectoryWalker.h"
#include "platform/Location.h"
#include "platform/Text.h"

#include <array>
#include <optional>
#include <sys/stat.h>

namespace tarnwick::FileUtilities {

namespace fs = std::filesystem;

std::int64_t fileSize(const fs::path& location, const std::stop_token& stop) {
    struct stat status {};
    if (lstat(location.c_str(), &status) != 0) {
        return 0;
    }
    if (S_ISREG(status.st_mode)) {
        return static_cast<std::int64_t>(status.st_size);
    }
    // A link is measured as itself: what it points to is not moved with it.
    if (!S_ISDIR(status.st_mode)) {
        return 0;
    }
    std::int64_t total = 0;
    DirectoryWalker::walk(location, {.readsSizes = true}, [&total, &stop](const DirectoryEntry& entry) {
        if (stop.stop_requested()) {
            return DirectoryWalker::Step::stop;
        }
        if (entry.isRegularFile) {
            total += entry.size;
        }
        return DirectoryWalker::Step::proceed;
    });
    return total;
}

std::string applicationName(const Bundle* bundle, const fs::path& url) {
    std::array<std::optional<std::string>, 6> candidates;
    if (bundle != nullptr) {
        if (const auto& localized = bundle->localizedInfoDictionary()) {
            candidates[0] = stringValue(*localized, "CFBundleDisplayName");
            candidates[1] = stringValue(*localized, "CFBundleName");
        }
        if (const auto& info = bundle->infoDictionary()) {
            candidates[2] = stringValue(*info, "CFBundleDisplayName");
            candidates[3] = stringValue(*info, "CFBundleName");
            candidates[4] = stringValue(*info, "CFBundleExecutable");
        }
    }
    candidates[5] = Location::lastComponent(Location::withoutExtension(url));
    for (const auto& candidate : candidates) {
        if (candidate) {
            if (std::string name = Text::trimmed(*candidate); !name.empty()) {
                return name;
            }
        }
    }
    return std::string(unnamedApplication);
}

} // namespace tarnwick::FileUtilities
