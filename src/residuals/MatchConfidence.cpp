#include "residuals/MatchConfidence.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace tarnwick {
namespace {

struct ConfidenceTexts {
    MatchConfidence confidence;
    std::string_view name;
    std::string_view title;
    std::string_view explanation;
};

constexpr std::array<ConfidenceTexts, 3> confidenceTexts{{
    {MatchConfidence::possible, "possible", "Possible",
     "This item is related by application or developer name, but ownership is not exclusive. Review it "
     "before selecting."},
    {MatchConfidence::verified, "verified", "Verified",
     "macOS container metadata identifies this item as belonging to the selected application."},
    {MatchConfidence::exact, "exact", "Exact",
     "The file name matches this application's bundle identifier or application name."},
}};

// The table is indexed by raw value.
constexpr bool rowsFollowRawValues() {
    for (std::size_t index = 0; index < confidenceTexts.size(); ++index) {
        if (rawValue(confidenceTexts[index].confidence) != static_cast<int>(index)) {
            return false;
        }
    }
    return true;
}
static_assert(rowsFollowRawValues());

const ConfidenceTexts& textsOf(MatchConfidence confidence) {
    return confidenceTexts[static_cast<std::size_t>(rawValue(confidence))];
}

} // namespace

std::optional<MatchConfidence> matchConfidence(int value) {
    const auto row =
        std::find_if(confidenceTexts.begin(), confidenceTexts.end(),
                     [value](const ConfidenceTexts& texts) { return rawValue(texts.confidence) == value; });
    if (row == confidenceTexts.end()) {
        return std::nullopt;
    }
    return row->confidence;
}

std::string_view name(MatchConfidence confidence) {
    return textsOf(confidence).name;
}

std::string_view title(MatchConfidence confidence) {
    return textsOf(confidence).title;
}

std::string_view explanation(MatchConfidence confidence) {
    return textsOf(confidence).explanation;
}

} // namespace tarnwick
