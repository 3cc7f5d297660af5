#include "residuals/ResidualOrder.h"

#include "platform/Text.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <string>
#include <string_view>

namespace tarnwick::ResidualScanner {

std::vector<ResidualItem> removeNested(std::vector<ResidualItem> items) {
    // Every possible absorber of an item (higher confidence, or equal and shorter) comes before it.
    std::stable_sort(items.begin(), items.end(), [](const ResidualItem& left, const ResidualItem& right) {
        if (left.confidence != right.confidence) {
            return left.confidence > right.confidence;
        }
        return left.url.native().size() < right.url.native().size();
    });
    // The kept paths with their confidence. An item's possible absorbers are its own path and the paths of
    // its ancestors, so each item costs a look-up per component instead of a comparison with every kept
    // item: a home with many thousands of findings is pruned in moments.
    std::map<std::string, MatchConfidence, std::less<>> kept;
    auto absorbs = [&kept](std::string_view path, MatchConfidence confidence) {
        const auto found = kept.find(path);
        return found != kept.end() && found->second >= confidence;
    };
    std::vector<ResidualItem> result;
    for (auto& item : items) {
        const std::string_view path = item.url.native();
        bool absorbed = absorbs(path, item.confidence);
        for (std::size_t slash = path.find('/'); !absorbed && slash != std::string_view::npos;
             slash = path.find('/', slash + 1)) {
            // "/" itself is an ancestor; any other ancestor is the text before a separator.
            absorbed = absorbs(slash == 0 ? path.substr(0, 1) : path.substr(0, slash), item.confidence);
        }
        if (!absorbed) {
            kept.emplace(item.url.native(), item.confidence);
            result.push_back(std::move(item));
        }
    }
    return result;
}

void sortInFinalOrder(std::vector<ResidualItem>& items) {
    std::vector<std::string> keys;
    keys.reserve(items.size());
    for (const auto& item : items) {
        keys.push_back(Text::nfc(item.url.native()));
    }
    std::vector<std::size_t> order(items.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t left, std::size_t right) {
        if (items[left].category != items[right].category) {
            return items[left].category < items[right].category;
        }
        return keys[left] < keys[right];
    });
    std::vector<ResidualItem> sorted;
    sorted.reserve(items.size());
    for (const std::size_t index : order) {
        sorted.push_back(std::move(items[index]));
    }
    items = std::move(sorted);
}

} // namespace tarnwick::ResidualScanner
