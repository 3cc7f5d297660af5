#include "residuals/ResidualItem.h"

#include "platform/Hashing.h"

#include <algorithm>
#include <limits>

namespace tarnwick {
std::string ResidualItem::id() const {
    return url.string();
}

std::string_view ResidualItem::confidenceExplanation() const {
    return explanation(confidence);
}

bool operator==(const ResidualItem& left, const ResidualItem& right) {
    return left.url.native() == right.url.native() && left.size == right.size &&
           left.category == right.category && left.confidence == right.confidence &&
           left.reason == right.reason && left.selected == right.selected;
}

std::int64_t addedSize(std::int64_t total, std::int64_t size) {
    if (size > 0 && total > std::numeric_limits<std::int64_t>::max() - size) {
        return std::numeric_limits<std::int64_t>::max();
    }
    return total + std::max<std::int64_t>(size, 0);
}

std::int64_t totalSize(const std::vector<ResidualItem>& items) {
    std::int64_t total = 0;
    for (const ResidualItem& item : items) {
        total = addedSize(total, item.size);
    }
    return total;
}

} // namespace tarnwick

std::size_t std::hash<tarnwick::ResidualItem>::operator()(const tarnwick::ResidualItem& item) const noexcept {
    std::size_t seed = 0;
    tarnwick::hashCombine(seed, item.url.native());
    tarnwick::hashCombine(seed, item.size);
    tarnwick::hashCombine(seed, item.category);
    tarnwick::hashCombine(seed, tarnwick::rawValue(item.confidence));
    tarnwick::hashCombine(seed, item.reason);
    tarnwick::hashCombine(seed, item.selected);
    return seed;
}
