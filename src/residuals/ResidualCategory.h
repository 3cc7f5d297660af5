#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>

namespace tarnwick {

// The kind of a leftover. The order of declaration is the order of the sections on screen and the first
// key of the order of a scan result, so the enumeration's built-in comparisons give that order.
enum class ResidualCategory {
    application,
    userData,
    support,
    library,
    applicationScripts,
    cache,
    preferences,
    container,
    state,
    web,
    service,
    logs,
    crashReports,
    other,
};

inline constexpr std::size_t residualCategoryCount = static_cast<std::size_t>(ResidualCategory::other) + 1;

// Place in the section order, from 0.
constexpr std::size_t position(ResidualCategory category) {
    return static_cast<std::size_t>(category);
}

// Every category, in section order.
constexpr std::array<ResidualCategory, residualCategoryCount> allResidualCategories() {
    std::array<ResidualCategory, residualCategoryCount> categories{};
    for (std::size_t index = 0; index < categories.size(); ++index) {
        categories[index] = static_cast<ResidualCategory>(index);
    }
    return categories;
}

// The stable name of the category, which is also its section title.
std::string_view rawValue(ResidualCategory category);

// The name of the symbol image drawn beside the section title.
std::string_view symbol(ResidualCategory category);

// The category whose raw value is exactly `text` (whole string, case-sensitive).
std::optional<ResidualCategory> residualCategory(std::string_view text);

} // namespace tarnwick

namespace std {
// Hashes the raw value, so that the hash does not depend on the numbering of the cases.
template <> struct hash<tarnwick::ResidualCategory> {
    std::size_t operator()(tarnwick::ResidualCategory category) const noexcept;
};
} // namespace std
