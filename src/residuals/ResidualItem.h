#pragma once

#include "residuals/MatchConfidence.h"
#include "residuals/ResidualCategory.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// One leftover file or folder proposed for removal. Build it with all six fields, in order.
struct ResidualItem {
    std::filesystem::path url;
    std::int64_t size = 0;
    ResidualCategory category = ResidualCategory::other;
    MatchConfidence confidence = MatchConfidence::possible;
    std::string reason;
    // The only field that changes after a scan: the user's choice.
    bool selected = false;

    // The path text of `url`: the identity lists and look-ups use, whatever the other fields hold.
    std::string id() const;

    // Chosen by the confidence alone.
    std::string_view confidenceExplanation() const;

    // Every field, in order. Locations compare as text, like `id`, so equal items always share an id
    // ("a//b" and "a/b" are different items).
    friend bool operator==(const ResidualItem& left, const ResidualItem& right);
};

// Sizes come from the disk, where a sparse file may claim almost any length: sums stop at the largest
// count instead of overflowing, and a negative size counts as nothing.
std::int64_t addedSize(std::int64_t total, std::int64_t size);

// The sizes of all items, added up as `addedSize` does.
std::int64_t totalSize(const std::vector<ResidualItem>& items);

} // namespace tarnwick

namespace std {
// Feeds the six fields in order; an item whose selection was flipped hashes differently in general.
template <> struct hash<tarnwick::ResidualItem> {
    std::size_t operator()(const tarnwick::ResidualItem& item) const noexcept;
};
} // namespace std
