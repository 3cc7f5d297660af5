#pragma once

#include <filesystem>

namespace tarnwick {

// The fictional Mac that `--demo` runs on: applications of every kind the catalogue recognises and
// leftovers in every place the scanners look, plus orphans of uninstalled applications.
namespace DemoTree {

// Bumped whenever the content changes, so that an older tree in the cache is replaced.
inline constexpr int formatVersion = 4;

// The root of a complete demo tree in `<cacheFolder>/Tarnwick/demo-<formatVersion>`, building it first
// when missing. The tree is built in a temporary sibling and renamed into place when complete, so an
// interrupted build is never used (it is removed on a later call). Throws std::runtime_error when the
// tree cannot be written.
std::filesystem::path ensure(const std::filesystem::path& cacheFolder);

// Lays the demo tree out below `root`: `Users/<login name>` (home), `private/var/folders/../T` and `C`,
// `Applications`, `System/Applications` and `Library`. `Platform::rooted(root)` finds its way in it.
void build(const std::filesystem::path& root);

} // namespace DemoTree
} // namespace tarnwick
