#pragma once

#include <optional>
#include <string_view>

namespace tarnwick {

// How a leftover was matched to its application. Ordered by raw value: the enumeration's built-in
// comparisons (<, <=, >, >=) are the order the scanners use to decide which of two findings wins.
enum class MatchConfidence : int {
    possible = 0,
    verified = 1,
    exact = 2,
};

constexpr int rawValue(MatchConfidence confidence) {
    return static_cast<int>(confidence);
}

// The case whose raw value is `value`; nothing outside 0...2.
std::optional<MatchConfidence> matchConfidence(int value);

// The stable lower-case name of the case ("possible"), for machine-readable output.
std::string_view name(MatchConfidence confidence);

std::string_view title(MatchConfidence confidence);

// One sentence telling the user what the confidence means for an item.
std::string_view explanation(MatchConfidence confidence);

} // namespace tarnwick
