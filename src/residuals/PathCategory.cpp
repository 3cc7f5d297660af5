#include "residuals/PathCategory.h"

#include "residuals/PathCategoryRules.h"

#include <array>
#include <string_view>

namespace tarnwick::ResidualScanner {

namespace {

// Substrings of the lowercased path, tested in order before the extension test.
constexpr std::array<PathCategoryRule, 8> beforeExtension{{
    {"/caches/", ResidualCategory::cache},
    {"/var/folders/", ResidualCategory::cache},
    {"/movies/", ResidualCategory::userData},
    {"/music/", ResidualCategory::userData},
    {"/pictures/", ResidualCategory::userData},
    {"/diagnosticreports/", ResidualCategory::crashReports},
    {"/crashreporter/", ResidualCategory::crashReports},
    {"/preferences/", ResidualCategory::preferences},
}};

// The same, after it.
constexpr std::array<PathCategoryRule, 10> afterExtension{{
    {"/application scripts/", ResidualCategory::applicationScripts},
    {"/containers/", ResidualCategory::container},
    {"saved application state", ResidualCategory::state},
    {"launchagents", ResidualCategory::service},
    {"launchdaemons", ResidualCategory::service},
    {"/logs/", ResidualCategory::logs},
    {"webkit", ResidualCategory::web},
    {"httpstorages", ResidualCategory::web},
    {"/application support/", ResidualCategory::support},
    {"/library/", ResidualCategory::library},
}};

} // namespace

ResidualCategory category(const std::filesystem::path& location, const Platform& platform) {
    return categorize(location, platform, {beforeExtension, afterExtension, ResidualCategory::other});
}

} // namespace tarnwick::ResidualScanner
