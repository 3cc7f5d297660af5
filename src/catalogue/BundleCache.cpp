#include "catalogue/BundleCache.h"

#include "platform/FileOperations.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <tuple>
#include <unordered_map>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

// A real entry is a few hundred bytes; a larger file is no entry of ours.
constexpr std::size_t maximumEntrySize = 1 << 20;
// Tens of thousands of entries; a larger file is no catalogue of ours.
constexpr std::size_t maximumCatalogueSize = 64 << 20;

// What is at `location` now, or that nothing is.
FileStamp stampOf(const char* location) {
    struct stat status {};
    if (::stat(location, &status) != 0) {
        return {};
    }
#if defined(__APPLE__)
    const auto& changed = status.st_ctimespec;
#else
    const auto& changed = status.st_ctim;
#endif
    return {.relative = {},
            .exists = true,
            .device = static_cast<std::uint64_t>(status.st_dev),
            .inode = static_cast<std::uint64_t>(status.st_ino),
            .size = static_cast<std::uint64_t>(status.st_size),
            .changeSeconds = static_cast<std::int64_t>(changed.tv_sec),
            .changeNanoseconds = static_cast<std::int64_t>(changed.tv_nsec)};
}

FileStamp stampOf(const fs::path& location, std::string relative) {
    FileStamp stamp = stampOf(location.c_str());
    stamp.relative = std::move(relative);
    return stamp;
}

// Whether every file and folder `stamps` name below `bundle` is still as stamped. Locations are joined as
// text: a catalogue checks thousands of them.
bool stillAsStamped(const fs::path& bundle, const std::vector<FileStamp>& stamps) {
    std::string location;
    for (const FileStamp& stamp : stamps) {
        if (!stamp.relative.empty() && stamp.relative.front() == '/') {
            return false;
        }
        location.assign(bundle.native());
        if (!stamp.relative.empty()) {
            location.append(1, '/').append(stamp.relative);
        }
        const FileStamp now = stampOf(location.c_str());
        const auto object = [](const FileStamp& of) {
            return std::tie(of.exists, of.device, of.inode, of.size, of.changeSeconds, of.changeNanoseconds);
        };
        if (object(now) != object(stamp)) {
            return false;
        }
    }
    return true;
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

// The reading `bytes` hold when they are an entry for `bundle` and `languages` whose every file and
// folder is still as it was.
std::optional<BundleReading> usable(std::string_view bytes, const fs::path& bundle,
                                    const std::vector<std::string>& languages) {
    auto entry = BundleCacheEntry::decode(bytes);
    if (!entry || entry->bundle != bundle.native() || entry->languages != languages) {
        return std::nullopt;
    }
    // An entry that depends on nothing could outlive any change.
    if (entry->stamps.empty() || !stillAsStamped(bundle, entry->stamps)) {
        return std::nullopt;
    }
    return std::move(entry->reading);
}

} // namespace

// The catalogue file as this cache found it, and the entries of the bundles read through it since.
struct BundleCache::Catalogue {
    std::once_flag loaded;
    std::string bytes;
    std::unordered_map<std::string_view, std::string_view> entries; // views into `bytes`

    std::mutex mutex;
    struct Kept {
        std::string_view fileEntry{}; // the catalogue file's own, unchanged, as a view into `bytes`
        std::string entry{};          // else the entry written
    };
    std::map<std::string, Kept> kept; // by bundle

    void load(const fs::path& location) {
        try {
            bytes = FileOperations::readFile(location, maximumCatalogueSize).value_or(std::string());
        } catch (const std::exception&) {
            bytes.clear(); // unreadable: every bundle is looked up on its own, and the file written over
        }
        entries = BundleCacheEntries::index(bytes);
    }

    void remember(const fs::path& bundle, Kept entry) {
        const std::lock_guard lock(mutex);
        kept.insert_or_assign(bundle.native(), std::move(entry));
    }
};

fs::path BundleCache::folderFor(const Platform& platform) {
    return platform.cachesFolder() / "Tarnwick" / "Bundles";
}

BundleCache::BundleCache(fs::path folder, std::chrono::seconds settling)
    : folder_(std::move(folder))
    , settling_(settling)
    , catalogue_(std::make_shared<Catalogue>()) {}

fs::path BundleCache::entryLocation(const fs::path& bundle) const {
    return folder_ / entryName(bundle.native());
}

fs::path BundleCache::catalogueLocation() const {
    return folder_ / "Catalogue";
}

std::shared_ptr<const BundleReading> BundleCache::read(const fs::path& bundle,
                                                       const std::vector<std::string>& languages) const {
    Catalogue& catalogue = *catalogue_;
    std::call_once(catalogue.loaded, [&] { catalogue.load(catalogueLocation()); });
    if (const auto found = catalogue.entries.find(bundle.native()); found != catalogue.entries.end()) {
        if (auto reading = usable(found->second, bundle, languages)) {
            catalogue.remember(bundle, {.fileEntry = found->second});
            return std::make_shared<const BundleReading>(std::move(*reading));
        }
    }
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
    auto reading = bytes ? usable(*bytes, bundle, languages) : std::nullopt;
    if (reading) {
        catalogue_->remember(bundle, {.entry = std::move(*bytes)});
    }
    return reading;
}

void BundleCache::keep(BundleCacheEntry entry) const {
    std::string bytes = entry.encode();
    catalogue_->remember(fs::path(entry.bundle), {.entry = bytes});
    try {
        std::error_code error;
        fs::create_directories(folder_, error);
        FileOperations::replaceAtomically(entryLocation(fs::path(entry.bundle)), bytes,
                                          FileOperations::Durability::unflushed);
    } catch (const std::exception&) {
        // Kept next time, or never: the cache is never needed for a correct result.
    }
}

void BundleCache::keepCatalogue() const {
    Catalogue& catalogue = *catalogue_;
    std::call_once(catalogue.loaded, [&] { catalogue.load(catalogueLocation()); });
    const std::lock_guard lock(catalogue.mutex);
    const bool unchanged = catalogue.kept.size() == catalogue.entries.size() &&
                           std::all_of(catalogue.kept.begin(), catalogue.kept.end(),
                                       [](const auto& kept) { return !kept.second.fileEntry.empty(); });
    if (unchanged) {
        return;
    }
    std::vector<std::string_view> entries;
    entries.reserve(catalogue.kept.size());
    for (const auto& [bundle, kept] : catalogue.kept) {
        entries.push_back(kept.fileEntry.empty() ? std::string_view(kept.entry) : kept.fileEntry);
    }
    try {
        std::error_code error;
        fs::create_directories(folder_, error);
        FileOperations::replaceAtomically(catalogueLocation(), BundleCacheEntries::encode(entries),
                                          FileOperations::Durability::unflushed);
    } catch (const std::exception&) {
        // Each bundle is then looked up on its own: slower, never wrong.
    }
}

} // namespace tarnwick
