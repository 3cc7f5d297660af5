#include "residuals/PathCategory.h"

#include "platform/Location.h"
#include "platform/Text.h"

#include <array>
#include <string>
#include <string_view>

namespace tarnwick {

namespace {

struct PathCategoryRule {
    // Held when the lowercased path contains it; empty for the test of the ".plist" extension.
    std::string_view fragment;
    ResidualCategory category;
    bool orphanScanUses;
};

constexpr std::string_view plistExtension{};

// In the order they are tried.
constexpr std::array<PathCategoryRule, 19> rules{{
    {"/caches/", ResidualCategory::cache, true},
    {"/var/folders/", ResidualCategory::cache, true},
    {"/movies/", ResidualCategory::userData, true},
    {"/music/", ResidualCategory::userData, true},
    {"/pictures/", ResidualCategory::userData, true},
    {"/diagnosticreports/", ResidualCategory::crashReports, false},
    {"/crashreporter/", ResidualCategory::crashReports, false},
    {"/preferences/", ResidualCategory::preferences, true},
    {plistExtension, ResidualCategory::preferences, true},
    {"/application scripts/", ResidualCategory::applicationScripts, false},
    {"/containers/", ResidualCategory::container, true},
    {"saved application state", ResidualCategory::state, true},
    {"launchagents", ResidualCategory::service, true},
    {"launchdaemons", ResidualCategory::service, true},
    {"/logs/", ResidualCategory::logs, true},
    {"webkit", ResidualCategory::web, true},
    {"httpstorages", ResidualCategory::web, true},
    {"/application support/", ResidualCategory::support, false},
    {"/library/", ResidualCategory::library, false},
}};

} // namespace

ResidualCategory pathCategory(const std::filesystem::path& location, const Platform& platform,
                              PathCategoryUse use) {
    const std::filesystem::path onSystem = platform.pathOnSystem(location);
    const std::string path = Text::lowercased(onSystem.native());
    for (const PathCategoryRule& rule : rules) {
        if (use == PathCategoryUse::orphanScan && !rule.orphanScanUses) {
            continue;
        }
        const bool holds = rule.fragment == plistExtension ? Location::extension(onSystem) == "plist"
                                                           : path.find(rule.fragment) != std::string::npos;
        if (holds) {
            return rule.category;
        }
    }
    return use == PathCategoryUse::orphanScan ? ResidualCategory::support : ResidualCategory::other;
}

} // namespace tarnwick
