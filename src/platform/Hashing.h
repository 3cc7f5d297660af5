#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace tarnwick {

// Mixes the hash of `value` into `seed`, so that records can hash their fields in order. Every bit of
// the running value is mixed, so the order of the fields matters and nearby inputs (a flipped flag, a
// size off by one) spread over the whole result.
template <typename T> void hashCombine(std::size_t& seed, const T& value) {
    std::uint64_t mixed = seed + 0x9e3779b97f4a7c15ULL + static_cast<std::uint64_t>(std::hash<T>{}(value));
    mixed ^= mixed >> 32;
    mixed *= 0x0e9846af9b1a615dULL;
    mixed ^= mixed >> 32;
    mixed *= 0x0e9846af9b1a615dULL;
    mixed ^= mixed >> 28;
    seed = static_cast<std::size_t>(mixed);
}

} // namespace tarnwick
