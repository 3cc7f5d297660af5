#include "residuals/PathCategoryRules.h"

#include "platform/Location.h"
#include "platform/Text.h"

#include <algorithm>
#include <string>

namespace tarnwick {

ResidualCategory categorize(const std::filesystem::path& location, const Platform& platform,
                            const PathCategoryRules& rules) {
    const std::filesystem::path onSystem = platform.pathOnSystem(location);
    const std::string path = Text::lowercased(onSystem.native());
    const auto holds = [&path](const PathCategoryRule& rule) {
        return path.find(rule.fragment) != std::string::npos;
    };
    if (const auto rule = std::find_if(rules.beforeExtension.begin(), rules.beforeExtension.end(), holds);
        rule != rules.beforeExtension.end()) {
        return rule->category;
    }
    if (Location::extension(onSystem) == "plist") {
        return ResidualCategory::preferences;
    }
    if (const auto rule = std::find_if(rules.afterExtension.begin(), rules.afterExtension.end(), holds);
        rule != rules.afterExtension.end()) {
        return rule->category;
    }
    return rules.otherwise;
}

} // namespace tarnwick
