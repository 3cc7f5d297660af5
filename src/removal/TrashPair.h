#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace tarnwick {

// One moved item: where it was, and where it lies in the Trash.
struct TrashPair {
    std::string originalPath; // as the item's location gave it, not resolved
    std::string trashPath;

    friend bool operator==(const TrashPair&, const TrashPair&) = default;
};

} // namespace tarnwick

template <> struct std::hash<tarnwick::TrashPair> {
    std::size_t operator()(const tarnwick::TrashPair& pair) const noexcept;
};
