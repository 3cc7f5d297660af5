#pragma once

#include <cstddef>
#include <functional>

namespace tarnwick {

// Calls `work(index)` for every index below `count` on a few threads and returns when all are done.
// The work here is mostly waiting for metadata reads, which overlap well, so it uses more threads than
// cores. While it runs, `progress(done)` is called on the calling thread about twenty times a second.
void parallelFor(std::size_t count, const std::function<void(std::size_t)>& work,
                 const std::function<void(std::size_t)>& progress = {});

} // namespace tarnwick
