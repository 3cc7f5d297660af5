#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace tarnwick {

struct FolderListing;

// One direct child of a folder, as the expanded row of a folder finding lists it.
struct FolderContentItem {
    // A listing never shows more children than this; the rest is a count.
    static constexpr std::size_t listingLimit = 100;

    std::filesystem::path url;
    bool isDirectory = false; // a link is never a folder here
    std::int64_t size = 0;    // allocated bytes, else the file's length, else 0

    // The visible children of `folder` in the order a file browser shows names, at most `listingLimit`
    // of them. Hidden children are neither listed nor counted; an unreadable folder lists nothing.
    // Reads only the folder itself, never below it.
    static FolderListing load(const std::filesystem::path& folder);

    friend bool operator==(const FolderContentItem&, const FolderContentItem&) = default;
};

struct FolderListing {
    std::vector<FolderContentItem> items;
    std::int64_t hiddenCount = 0; // visible children left out by the limit
};

} // namespace tarnwick
