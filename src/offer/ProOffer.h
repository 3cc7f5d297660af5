#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

// The promotional notice of the Pro edition, as the maker's server sends it: one JSON object
// {"enabled": bool, "badge", "title", "message", "button_title": strings, "download_url": string or null
// or absent}. Keys beyond these are ignored.
struct ProOffer {
    bool enabled = false;
    std::string badge;
    std::string title;
    std::string message;
    std::string buttonTitle;
    std::optional<std::string> downloadURL;

    // The only link a caller may open: the download address when the offer is enabled and the address is
    // an https one with a host (the scheme in any case). Nothing for a disabled offer, a missing link or
    // any other scheme, plain http included.
    std::optional<std::string> safeDownloadURL() const;

    // Nothing unless the whole text is such an object: each of the five required keys present with its
    // type, and "download_url", when a string, a well-formed web address. One fault refuses the answer.
    static std::optional<ProOffer> decode(std::string_view text);

    friend bool operator==(const ProOffer&, const ProOffer&) = default;
};

} // namespace tarnwick
