#include "catalogue/BundleIdentifier.h"

#include "platform/Location.h"
#include "platform/Text.h"

#include <algorithm>
#include <array>

namespace tarnwick::BundleIdentifier {

std::vector<std::string> components(std::string_view bundleID) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= bundleID.size()) {
        const std::size_t end = std::min(bundleID.find('.', start), bundleID.size());
        if (end > start) {
            parts.emplace_back(bundleID.substr(start, end - start));
        }
        start = end + 1;
    }
    return parts;
}

std::optional<std::string> vendorToken(std::string_view bundleID) {
    auto parts = components(bundleID);
    // A "vendor" of "/" would make the whole Library a vendor folder.
    if (parts.size() < 3 || !Location::isSingleComponent(parts[1])) {
        return std::nullopt;
    }
    return std::move(parts[1]);
}

std::optional<std::string> vendorDotFolder(std::string_view bundleID) {
    const auto vendor = vendorToken(bundleID);
    if (!vendor || isEveryonesDotFolder(*vendor)) {
        return std::nullopt;
    }
    return "." + *vendor;
}

bool isEveryonesDotFolder(std::string_view name) {
    static constexpr std::array<std::string_view, 8> shared{"ssh",    "gnupg", "pki",   "local",
                                                            "config", "cache", "trash", "trashes"};
    return std::find(shared.begin(), shared.end(), Text::lowercased(name)) != shared.end();
}

bool isSystemName(std::string_view comparableName) {
    // Not all end with a dot: "org.cups" also covers org.cupsd.
    static constexpr std::array<std::string_view, 9> systemPrefixes{
        "com.apple.", "apple.",  "org.cups",         "org.net-snmp",  "com.openssh",
        "com.oracle", "system.", "group.com.apple.", "group.system.",
    };
    return std::any_of(systemPrefixes.begin(), systemPrefixes.end(),
                       [&](std::string_view prefix) { return comparableName.starts_with(prefix); });
}

bool isApple(std::string_view bundleID) {
    return isSystemName(Text::comparableName(bundleID));
}

} // namespace tarnwick::BundleIdentifier
