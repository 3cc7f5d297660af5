#pragma once

#include <filesystem>
#include <map>

namespace tarnwick {

// Resolves the links of many paths that share a few folders: each folder is resolved once, then each
// item is only looked at itself. Gives what Location::resolved gives. For one piece of work: a folder
// changed meanwhile is not seen again, so whatever acts on the result must bind to what it checks.
class PathResolver {
public:
    // `location` absolute.
    std::filesystem::path resolved(const std::filesystem::path& location);

private:
    std::map<std::filesystem::path, std::filesystem::path> folders_;
};

} // namespace tarnwick
