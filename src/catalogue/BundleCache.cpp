#include "catalogue/BundleCache.h"

#include "platform/FileOperations.h"

#include <chrono>
#include <cstdio>
#include <sys/stat.h>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

// A real entry is a few hundred bytes; a larger file is no entry of ours.
constexpr std::size_t maximumEntrySize = 1 << 20;

FileStamp stampOf(const fs::path& location, std::string relative) {
    FileStamp stamp{.relative = std::move(relative)};
    struct stat status {};
    if (::stat(location.c_str(), &status) != 0) {
        return stamp;
    }
#if defined(__APPLE__)
    const auto& changed = status.st_ctimespec;
#else
    const auto& changed = status.st_ctim;
#endif
    stamp.exists = true;
    stamp.device = static_cast<std::uint64_t>(status.st_dev);
    stamp.inode = static_cast<std::uint64_t>(status.st_ino);
    stamp.size = static_cast<std::uint64_t>(status.st_size);
    stamp.changeSeconds = static_cast<std::int64_t>(changed.tv_sec);
    stamp.changeNanoseconds = static_cast<std::int64_t>(changed.tv_nsec);
    return stamp;
}

// 64-bit FNV-1a: the same name for the same bundle on every run and every build.
std::string entryName(const std::string& bundle) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : bundle) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    }
    char name[32];
    std::snprintf(name, sizeof name, "%016llx.entry", static_cast<unsigned long long>(hash));
    return name;
}

} // namespace

fs::path BundleCache::folderFor(const Platform& platform) {
    return platform.cachesFolder() / "Tarnwick" / "Bundles";
}

BundleCache::BundleCache(fs::path folder, std::chrono::seconds settling)
    : folder_(std::move(folder))
    , settling_(settling) {}

fs::path BundleCache::entryLocation(const fs::path& bundle) const {
    return folder_ / entryName(bundle.native());
}

std::shared_ptr<const BundleReading> BundleCache::read(const fs::path& bundle,
                                                       const std::vector<std::string>& languages) const {
    if (auto reading = stored(bundle, languages)) {
        return std::make_shared<const BundleReading>(std::move(*reading));
    }
    const std::int64_t began =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    std::vector<fs::path> consulted;
    auto reading = std::make_shared<const BundleReading>(BundleReading::read(bundle, languages, &consulted));

    BundleCacheEntry entry{
        .bundle = bundle.native(), .languages = languages, .stamps = {}, .reading = *reading};
    for (const fs::path& location : consulted) {
        auto relative = pathInBundle(bundle, location);
        if (!relative) {
            return reading;
        }
        FileStamp stamp = stampOf(location, std::move(*relative));
        if (stamp.exists && stamp.changeSeconds + settling_.count() >= began) {
            return reading;
        }
        entry.stamps.push_back(std::move(stamp));
    }
    keep(std::move(entry));
    return reading;
}

std::optional<BundleReading> BundleCache::stored(const fs::path& bundle,
                                                 const std::vector<std::string>& languages) const {
    std::optional<std::string> bytes;
    try {
        bytes = FileOperations::readFile(entryLocation(bundle), maximumEntrySize);
    } catch (const std::exception&) {
        return std::nullopt; // unreadable: read the bundle again, and write the entry over
    }
    auto entry = bytes ? BundleCacheEntry::decode(*bytes) : std::nullopt;
    if (!entry || entry->bundle != bundle.native() || entry->languages != languages) {
        return std::nullopt;
    }
    for (const FileStamp& stamp : entry->stamps) {
        if (!stamp.relative.empty() && stamp.relative.front() == '/') {
            return std::nullopt;
        }
        const fs::path location = stamp.relative.empty() ? bundle : bundle / stamp.relative;
        if (stampOf(location, stamp.relative) != stamp) {
            return std::nullopt;
        }
    }
    // An entry that depends on nothing could outlive any change.
    if (entry->stamps.empty()) {
        return std::nullopt;
    }
    return std::move(entry->reading);
}

void BundleCache::keep(BundleCacheEntry entry) const {
    try {
        std::error_code error;
        fs::create_directories(folder_, error);
        FileOperations::replaceAtomically(entryLocation(fs::path(entry.bundle)), entry.encode(),
                                          FileOperations::Durability::unflushed);
    } catch (const std::exception&) {
        // Kept next time, or never: the cache is never needed for a correct result.
    }
}

} // namespace tarnwick
