#include "residuals/ResidualFindings.h"

#include "catalogue/FileUtilities.h"
#include "platform/Location.h"
#include "platform/ParallelFor.h"
#include "platform/Text.h"
#include "residuals/MatchedName.h"
#include "residuals/UserContent.h"

#include <unistd.h>

namespace tarnwick::ResidualScanner {

namespace fs = std::filesystem;

ResidualFindings::ResidualFindings(const RemovalPolicy& policy, const fs::path& home)
    : policy_(policy)
    , home_(Location::resolved(Location::standardized(home))) {}

void ResidualFindings::record(const fs::path& candidate, ResidualCategory category,
                              MatchConfidence confidence, std::string_view reason, bool selected) {
    const fs::path url = Location::standardized(candidate);
    // A NUL would make the system test a shorter path than the one proposed.
    if (url.native().find('\0') != std::string::npos || access(url.c_str(), F_OK) != 0) {
        return;
    }
    // Removing what another installed application uses as well would break that application.
    if (isShared(url)) {
        confidence = MatchConfidence::possible;
        selected = false;
    }
    if (selected) {
        // Judged where the item really is: a link on the way may lead into the user's documents.
        const auto verdict = policy_.judge(url);
        selected = verdict.allowed && !isUserContent(verdict.path, home_);
    }
    const auto [entry, inserted] = items_.try_emplace(url.native());
    if (!inserted && entry->second.confidence > confidence) {
        return;
    }
    entry->second = ResidualItem{url, 0, category, confidence, std::string(reason), selected};
}

void ResidualFindings::add(const fs::path& candidate, ResidualCategory category, MatchConfidence confidence,
                           std::string_view reason, bool selected) {
    if (!items_.contains(Location::standardized(candidate).native())) {
        record(candidate, category, confidence, reason, selected);
    }
}

bool measureSizes(std::vector<ResidualItem>& items, ScanTally& tally, const std::stop_token& stop) {
    // Reported before any work is handed out, so that a stop requested then spares all of it.
    tally.measuring(0, items.size());
    parallelFor(
        items.size(),
        [&](std::size_t index) { items[index].size = FileUtilities::fileSize(items[index].url, stop); },
        [&](std::size_t measured) { tally.measuring(measured, items.size()); }, stop);
    return !tally.stopRequested();
}

std::vector<ResidualItem> ResidualFindings::items() const {
    std::vector<ResidualItem> result;
    result.reserve(items_.size());
    for (const auto& [key, item] : items_) {
        result.push_back(item);
    }
    return result;
}

bool ResidualFindings::isShared(const fs::path& url) const {
    if (shared_.empty()) {
        return false;
    }
    const std::string name = Text::comparableName(Location::lastComponent(url));
    return shared_.contains(name) || shared_.contains(std::string(matchedName(name, false)));
}

} // namespace tarnwick::ResidualScanner
