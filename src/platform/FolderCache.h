#pragma once

#include "platform/OpenFolder.h"

#include <cstddef>
#include <filesystem>
#include <map>
#include <utility>

namespace tarnwick {

// Folders opened once, without following links, and used again for as long as their path still leads
// to the folder held: a walk from "/" for every item of a removal would cost more than the moves.
class FolderCache {
public:
    explicit FolderCache(std::size_t capacity = 32)
        : capacity_(capacity) {}

    // The folder at the absolute `path`. Opened again, one component at a time, whenever the path leads
    // elsewhere than to the folder held (renamed, replaced, a link now). Throws a PlatformError.
    const OpenFolder& open(const std::filesystem::path& path);

private:
    std::size_t capacity_;
    std::map<std::filesystem::path, std::pair<OpenFolder, ItemIdentity>> folders_;
};

} // namespace tarnwick
