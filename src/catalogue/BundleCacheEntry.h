#pragma once

#include "catalogue/BundleReading.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarnwick {

// What a file or folder was when a bundle was read: a later reading may be taken from the cache only while
// every one it depended on is still the same object, unchanged.
struct FileStamp {
    std::string relative{}; // below the bundle's folder; empty for the folder itself
    bool exists = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t changeSeconds = 0;
    std::int64_t changeNanoseconds = 0;

    bool operator==(const FileStamp&) const = default;
};

// `location` as an entry writes it: relative to `bundle`, empty for the bundle itself; nothing for a
// location outside it.
std::optional<std::string> pathInBundle(const std::filesystem::path& bundle,
                                        const std::filesystem::path& location);

// One entry of the bundle cache: a bundle's reading, for whom it was made and what it depended on. The
// stored form is a short header line and length-prefixed fields, so that no name, whatever bytes it
// holds, can be mistaken for structure.
struct BundleCacheEntry {
    std::string bundle{}; // the bundle's path, as the catalogue found it
    std::vector<std::string> languages{};
    std::vector<FileStamp> stamps{};
    BundleReading reading{};

    bool operator==(const BundleCacheEntry&) const = default;

    std::string encode() const;

    // The entry `bytes` hold. The cache is anyone's to write, so nothing is taken on trust: an entry is
    // refused whole when anything in it is malformed, or holds what reading a bundle could never give
    // (a nested program outside the bundle, an executable name that is a path, text that is no UTF-8).
    static std::optional<BundleCacheEntry> decode(std::string_view bytes);

    // The bundle the encoded entry `bytes` is for, read without decoding the rest; nothing when the entry
    // does not even begin as one.
    static std::optional<std::string_view> bundleOf(std::string_view bytes);
};

// Encoded entries kept together in one file, each whole, so that a catalogue reads one file instead of one
// per bundle.
namespace BundleCacheEntries {

std::string encode(const std::vector<std::string_view>& entries);

// The entries `bytes` hold, by the bundle each says it is for (the first of two for one bundle), as views
// into `bytes`; each is still to be decoded. Whatever follows damage to the file's framing is left out.
std::unordered_map<std::string_view, std::string_view> index(std::string_view bytes);

} // namespace BundleCacheEntries

} // namespace tarnwick
