#include "PathCategory.h"

#include "Location.h"
#include "Text.h"

#include <array>
#include <string_view>
#include <utility>

namespace tarnwick::ResidualScanner {

namespace {

using Rule = std::pair<std::string_view, ResidualCategory>;

// Substrings of the lowercased path, tested in order before the extension test.
constexpr std::array<Rule, 8> beforeExtension{{
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
constexpr std::array<Rule, 10> afterExtension{{
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
    const std::filesystem::path onSystem = platform.pathOnSystem(location);
    const std::string path = Text::lowercased(onSystem.native());
    for (const auto& [text, result] : beforeExtension) {
        if (path.find(text) != std::string::npos) {
            return result;
        }
    }
    // Case-sensitive on purpose: the extension as written, not lowercased.
    if (Location::extension(onSystem) == "plist") {
        return ResidualCategory::preferences;
    }
    for (const auto& [text, result] : afterExtension) {
        if (path.find(text) != std::string::npos) {
            return result;
        }
    }
    return ResidualCategory::other;
}

} // namespace tarnwick::ResidualScanner
