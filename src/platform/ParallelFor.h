#pragma once

#include <cstddef>
#include <functional>
#include <stop_token>

namespace tarnwick {

// Calls `work(index)` for every index below `count` and returns when all are done. The calling thread works
// through the indices itself, helped by the shared executor's threads as they come free, so that a call from
// inside a background task can never wait for threads that wait for it. While it runs, `progress(done)` is
// called on the calling thread about twenty times a second. Once `stop` is requested no further index is
// handed out: it returns when the work already begun is done, and the caller, who asked for the stop, knows
// that some indices were skipped.
void parallelFor(std::size_t count, const std::function<void(std::size_t)>& work,
                 const std::function<void(std::size_t)>& progress = {}, const std::stop_token& stop = {});

} // namespace tarnwick
