#include "removal/TrashPair.h"

#include "platform/Hashing.h"

std::size_t std::hash<tarnwick::TrashPair>::operator()(const tarnwick::TrashPair& pair) const noexcept {
    std::size_t seed = 0;
    tarnwick::hashCombine(seed, pair.originalPath);
    tarnwick::hashCombine(seed, pair.trashPath);
    return seed;
}
