#pragma once

#include <optional>
#include <string_view>

namespace tarnwick {

// The syntax of web addresses (URI references: absolute like "https://host/path?q#f", or relative like
// "/path"), checked character by character. Nothing is decoded or normalised: an address is either taken
// as it is written or refused.
namespace UrlText {

// The parts of an address, as views into the text that was parsed (they live as long as that text).
struct Parts {
    std::optional<std::string_view> scheme;    // without the ":"; nothing for a relative reference
    std::optional<std::string_view> authority; // between "//" and the path; nothing without "//"
    std::string_view host; // the host of the authority (brackets kept for an IP literal), else empty
    std::string_view path;
    std::optional<std::string_view> query;    // without the "?"
    std::optional<std::string_view> fragment; // without the "#"
};

// Nothing when the text is empty or breaks the syntax anywhere: a character outside the allowed set (a
// space, a control character, a byte beyond ASCII), a "%" not followed by two hexadecimal digits, a
// malformed scheme, port or bracketed host, or a first path segment holding a ":" with no scheme before.
std::optional<Parts> parse(std::string_view text);

// True for a well-formed address whose scheme, in any case, is "https" and whose host is not empty.
bool isHttps(std::string_view text);

} // namespace UrlText
} // namespace tarnwick
