#include "offer/OfferEndpoint.h"

#include "offer/UrlText.h"

namespace tarnwick::OfferEndpoint {

std::optional<std::string> fromBase(std::string_view base) {
    const auto parts = UrlText::parse(base);
    if (!UrlText::isHttps(base) || parts->query || parts->fragment) {
        return std::nullopt;
    }
    while (base.ends_with('/')) {
        base.remove_suffix(1);
    }
    return std::string(base) + std::string(path);
}

} // namespace tarnwick::OfferEndpoint
