#include "residuals/MatchedName.h"

namespace tarnwick {

std::string_view matchedName(std::string_view lastComponent, bool isFolder) {
    if (isFolder) {
        return lastComponent;
    }
    const auto dot = lastComponent.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == lastComponent.size()) {
        return lastComponent;
    }
    return lastComponent.substr(0, dot);
}

} // namespace tarnwick
