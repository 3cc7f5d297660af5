#include "store/AppListFilter.h"

namespace tarnwick {

std::string_view rawValue(AppListFilter filter) {
    switch (filter) {
    case AppListFilter::apps:
        return "Apps";
    case AppListFilter::junk:
        return "Junk Cleaner";
    case AppListFilter::duplicates:
        return "Duplicates";
    }
    return "Apps";
}

std::optional<AppListFilter> appListFilterFrom(std::string_view text) {
    for (const AppListFilter filter : allAppListFilters) {
        if (rawValue(filter) == text) {
            return filter;
        }
    }
    return std::nullopt;
}

} // namespace tarnwick
