#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

// Where the offer is fetched: the fixed path on a server given by its base address.
namespace OfferEndpoint {

inline constexpr std::string_view path = "/TarnwickWebs/TarnwickPortal/pro.php";

// The base address followed by the path ("https://example.com" or "https://example.com/mirror/" both
// work). Nothing when the base is no https address with a host, or carries a query or fragment: the
// offer is never asked for in the clear or from a place that cannot be told apart.
std::optional<std::string> fromBase(std::string_view base);

} // namespace OfferEndpoint
} // namespace tarnwick
