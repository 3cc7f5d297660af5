#include "catalogue/AppNameKeys.h"

#include "platform/Location.h"
#include "platform/Text.h"

#include <algorithm>

namespace tarnwick::AppNameKeys {

std::string bundleFileName(const InstalledApp& app) {
    std::string name = Location::lastComponent(app.url);
    if (const auto dot = name.rfind('.'); dot != std::string::npos && dot != 0) {
        name.resize(dot);
    }
    return name;
}

std::string firstWordKey(std::string_view name) {
    // Words are what white space separates.
    const auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
    const auto start = std::find_if_not(name.begin(), name.end(), isSpace);
    const auto end = std::find_if(start, name.end(), isSpace);
    if (std::find_if_not(end, name.end(), isSpace) == name.end()) {
        return {};
    }
    return Text::normalizedName(std::string_view(start, end));
}

std::vector<std::string> homeFolderKeys(const InstalledApp& app) {
    std::vector<std::string> keys;
    for (std::string key : {Text::normalizedName(app.name), Text::normalizedName(bundleFileName(app)),
                            firstWordKey(app.name)}) {
        if (!key.empty() && std::find(keys.begin(), keys.end(), key) == keys.end()) {
            keys.push_back(std::move(key));
        }
    }
    return keys;
}

} // namespace tarnwick::AppNameKeys
