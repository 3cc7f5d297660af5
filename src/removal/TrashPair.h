#pragma once

#include "platform/OpenFolder.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace tarnwick {

// One moved item: where it was, and where it lies in the Trash.
struct TrashPair {
    std::string originalPath; // as the item's location gave it, not resolved
    std::string trashPath;
    // What the removal put at `trashPath`, so that a restore takes back only that object and never
    // another one that took the same name later. Absent in records of older versions.
    std::optional<ItemIdentity> trashItem{};

    friend bool operator==(const TrashPair&, const TrashPair&) = default;
};

} // namespace tarnwick

template <> struct std::hash<tarnwick::TrashPair> {
    std::size_t operator()(const tarnwick::TrashPair& pair) const noexcept;
};
