#pragma once

#include "catalogue/BundleCacheEntry.h"
#include "catalogue/BundleReading.h"
#include "platform/Platform.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tarnwick {

// Readings of application bundles kept between commands, one file per bundle, so that a catalogue costs a
// few metadata reads per unchanged bundle instead of reading its dictionaries, signature and nested
// programs again. An entry is used only when it was made for the same bundle and languages and every
// file and folder the reading depended on (the bundle's folder, Contents, its Info.plist, its executable,
// the localised dictionaries tried, the nested folders and their dictionaries) is still the same object
// with the same change time; anything else, a damaged entry included, is read again and written over.
// Entries replace their files in one step. Nothing ever depends on the cache being there: a folder that
// cannot be written keeps nothing, and deleting it is always safe.
//
// Every process of the user can write the cache: a scan reads the application it is for afresh, and the
// cache serves only the list and the other applications' identities.
//
// Beside the entries, one file holds those of the last whole catalogue, so that the next one opens a
// single file rather than one per bundle; its entries are judged exactly as the others, one by one.
class BundleCache {
public:
    // "Tarnwick/Bundles" in the user's caches folder.
    static std::filesystem::path folderFor(const Platform& platform);

    // A file changed shortly before a reading began may change again during it without its change time
    // showing it (some disks keep whole seconds): a reading is kept only when every file it depends on
    // last changed at least `settling` before it began.
    static constexpr std::chrono::seconds defaultSettling{2};

    explicit BundleCache(std::filesystem::path folder, std::chrono::seconds settling = defaultSettling);

    // The reading of the bundle at `bundle` for `languages`: the cached one while it still holds, else
    // a fresh one, kept for next time.
    std::shared_ptr<const BundleReading> read(const std::filesystem::path& bundle,
                                              const std::vector<std::string>& languages) const;

    // Where the entry of `bundle` is kept.
    std::filesystem::path entryLocation(const std::filesystem::path& bundle) const;

    // Where the entries of the last whole catalogue are kept together.
    std::filesystem::path catalogueLocation() const;

    // Keeps together the entries of the bundles read through this cache, the readings not kept left out,
    // unless the catalogue file already holds exactly those. For when every bundle of a catalogue was read.
    void keepCatalogue() const;

private:
    struct Catalogue;

    std::optional<BundleReading> stored(const std::filesystem::path& bundle,
                                        const std::vector<std::string>& languages) const;
    void keep(BundleCacheEntry entry) const;

    std::filesystem::path folder_;
    std::chrono::seconds settling_;
    std::shared_ptr<Catalogue> catalogue_;
};

} // namespace tarnwick
