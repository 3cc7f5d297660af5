#include "session/ItemChoice.h"

#include "platform/Location.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <utility>

namespace tarnwick::ItemChoice {

namespace fs = std::filesystem;

namespace {

fs::path comparable(const fs::path& location) {
    std::error_code error;
    const fs::path absolute = fs::absolute(location, error);
    return Location::standardized(error ? location : absolute);
}

} // namespace

bool chosenAfter(Command command, const ResidualItem& item) {
    switch (command) {
    case Command::selectSafe:
        return item.confidence != MatchConfidence::possible || item.selected;
    case Command::clear:
        break;
    }
    return false;
}

bool sectionCheckboxChooses(std::size_t shown, std::size_t chosen) {
    return chosen < shown;
}

NotAFinding::NotAFinding(std::string path)
    : std::runtime_error("\"" + path + "\" is not among the items found.")
    , path_(std::move(path)) {}

std::vector<ResidualItem> choose(const std::vector<ResidualItem>& found,
                                 const std::vector<std::string>& paths) {
    std::vector<ResidualItem> chosen;
    if (paths.empty()) {
        std::copy_if(found.begin(), found.end(), std::back_inserter(chosen),
                     [](const ResidualItem& item) { return item.selected; });
        return chosen;
    }
    std::vector<fs::path> wanted;
    for (const std::string& path : paths) {
        const fs::path location = comparable(path);
        const bool isFinding = std::any_of(found.begin(), found.end(), [&](const ResidualItem& item) {
            return comparable(item.url) == location;
        });
        if (!isFinding) {
            throw NotAFinding(path);
        }
        wanted.push_back(location);
    }
    for (ResidualItem item : found) {
        if (std::find(wanted.begin(), wanted.end(), comparable(item.url)) != wanted.end()) {
            item.selected = true;
            chosen.push_back(std::move(item));
        }
    }
    return chosen;
}

} // namespace tarnwick::ItemChoice
