#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace tarnwick {

// The sidebar's mode: the installed applications, or one of the two previews of the Pro edition.
enum class AppListFilter { apps, junk, duplicates };

inline constexpr std::array allAppListFilters{AppListFilter::apps, AppListFilter::junk,
                                              AppListFilter::duplicates};

// "Apps", "Junk Cleaner", "Duplicates": the mode's name, shown and used as its identity.
std::string_view rawValue(AppListFilter filter);

// The mode whose raw value is exactly `text` (letter case counts); nothing for any other text.
std::optional<AppListFilter> appListFilterFrom(std::string_view text);

} // namespace tarnwick
