#include "catalogue/BundleCache.h"

#include "platform/FileDescriptor.h"
#include "platform/FileOperations.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
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

// What `status` says of an object found at `relative`.
FileStamp stampFrom(const struct stat& status, std::string relative) {
#if defined(__APPLE__)
    const auto& changed = status.st_ctimespec;
#else
    const auto& changed = status.st_ctim;
#endif
    return {.relative = std::move(relative),
            .exists = true,
            .device = static_cast<std::uint64_t>(status.st_dev),
            .inode = static_cast<std::uint64_t>(status.st_ino),
            .size = static_cast<std::uint64_t>(status.st_size),
            .changeSeconds = static_cast<std::int64_t>(changed.tv_sec),
            .changeNanoseconds = static_cast<std::int64_t>(changed.tv_nsec)};
}

// What is at `location` now, or that nothing is.
FileStamp stampOf(const fs::path& location, std::string relative) {
    struct stat status {};
    if (::stat(location.c_str(), &status) != 0) {
        return {.relative = std::move(relative)};
    }
    return stampFrom(status, std::move(relative));
}

// The folders bundles lie in, each opened once for the whole catalogue: stamps are looked up from there,
// where each full path would be walked again from the root, thousands of times.
class ParentFolders {
public:
    // `folder` opened for looking up names in it; negative when it cannot be.
    int descriptor(const fs::path& folder) {
#if defined(O_PATH)
        constexpr int lookupOnly = O_PATH;
#else
        constexpr int lookupOnly = O_RDONLY;
#endif
        const std::lock_guard lock(mutex_);
        auto [place, added] = open_.try_emplace(folder.native());
        if (added) {
            place->second.reset(::open(folder.c_str(), lookupOnly | O_DIRECTORY | O_CLOEXEC));
        }
        return place->second.get();
    }

private:
    std::mutex mutex_;
    std::map<std::string, FileDescriptor> open_;
};

// Whether every file and folder `stamps` name below `bundle` is still as stamped.
bool stillAsStamped(const fs::path& bundle, const std::vector<FileStamp>& stamps, ParentFolders& folders) {
    const std::string name = bundle.filename().native();
    if (name.empty() || name == "." || name == "..") {
        return false;
    }
    const int parent = folders.descriptor(bundle.parent_path());
    std::string location;
    for (const FileStamp& stamp : stamps) {
        if (!stamp.relative.empty() && stamp.relative.front() == '/') {
            return false;
        }
        location.assign(name);
        if (!stamp.relative.empty()) {
            location.append(1, '/').append(stamp.relative);
        }
        struct stat status {};
        const FileStamp now =
            ::fstatat(parent, location.c_str(), &status, 0) == 0 ? stampFrom(status, {}) : FileStamp{};
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
                                    const std::vector<std::string>& languages, ParentFolders& folders) {
    auto entry = BundleCacheEntry::decode(bytes);
    if (!entry || entry->bundle != bundle.native() || entry->languages != languages) {
        return std::nullopt;
    }
    // An entry that depends on nothing could outlive any change.
    if (entry->stamps.empty() || !stillAsStamped(bundle, entry->stamps, folders)) {
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

    ParentFolders folders;

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
        if (auto reading = usable(found->second, bundle, languages, catalogue.folders)) {
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
    auto reading = bytes ? usable(*bytes, bundle, languages, catalogue_->folders) : std::nullopt;
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
