#include "offer/UrlText.h"

#include <algorithm>

namespace tarnwick::UrlText {

namespace {

bool isAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool isUnreserved(char c) {
    return isAlpha(c) || isDigit(c) || c == '-' || c == '.' || c == '_' || c == '~';
}
bool isSubDelimiter(char c) {
    return std::string_view("!$&'()*+,;=").find(c) != std::string_view::npos;
}

// True when every character is unreserved, a sub-delimiter, one of `extra`, or part of a "%XX" escape.
bool consistsOf(std::string_view text, std::string_view extra) {
    for (std::size_t index = 0; index < text.size(); ++index) {
        const char c = text[index];
        if (c == '%') {
            if (text.size() - index < 3 || !isHexDigit(text[index + 1]) || !isHexDigit(text[index + 2])) {
                return false;
            }
            index += 2;
        } else if (!isUnreserved(c) && !isSubDelimiter(c) && extra.find(c) == std::string_view::npos) {
            return false;
        }
    }
    return true;
}

bool isScheme(std::string_view text) {
    return !text.empty() && isAlpha(text.front()) && std::all_of(text.begin(), text.end(), [](char c) {
        return isAlpha(c) || isDigit(c) || c == '+' || c == '-' || c == '.';
    });
}

bool isPort(std::string_view text) {
    return std::all_of(text.begin(), text.end(), isDigit);
}

// "[...]": an IPv6 address (hexadecimal digits, ":" and "." for an embedded IPv4 tail) or a future
// format "vX.…".
bool isIpLiteral(std::string_view text) {
    if (text.size() < 3 || text.front() != '[' || text.back() != ']') {
        return false;
    }
    const std::string_view inside = text.substr(1, text.size() - 2);
    if (inside.front() == 'v' || inside.front() == 'V') {
        const std::size_t dot = inside.find('.');
        const std::string_view version = inside.substr(1, dot == std::string_view::npos ? 0 : dot - 1);
        return dot != std::string_view::npos && !version.empty() &&
               std::all_of(version.begin(), version.end(), isHexDigit) && dot + 1 < inside.size() &&
               consistsOf(inside.substr(dot + 1), ":") &&
               inside.substr(dot + 1).find('%') == std::string_view::npos;
    }
    return inside.find(':') != std::string_view::npos &&
           std::all_of(inside.begin(), inside.end(),
                       [](char c) { return isHexDigit(c) || c == ':' || c == '.'; });
}

// userinfo "@" host ":" port, each part optional but the host; the host may be empty ("file:///").
std::optional<std::string_view> hostOfAuthority(std::string_view authority) {
    std::string_view hostAndPort = authority;
    if (const std::size_t at = authority.find('@'); at != std::string_view::npos) {
        if (!consistsOf(authority.substr(0, at), ":")) {
            return std::nullopt;
        }
        hostAndPort = authority.substr(at + 1);
    }
    std::string_view host = hostAndPort;
    std::string_view afterHost;
    if (hostAndPort.starts_with('[')) {
        const std::size_t close = hostAndPort.find(']');
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        host = hostAndPort.substr(0, close + 1);
        afterHost = hostAndPort.substr(close + 1);
        if (!isIpLiteral(host)) {
            return std::nullopt;
        }
    } else {
        const std::size_t colon = hostAndPort.find(':');
        host = hostAndPort.substr(0, colon);
        afterHost = colon == std::string_view::npos ? std::string_view() : hostAndPort.substr(colon);
        if (!consistsOf(host, "")) {
            return std::nullopt;
        }
    }
    if (!afterHost.empty() && (afterHost.front() != ':' || !isPort(afterHost.substr(1)))) {
        return std::nullopt;
    }
    return host;
}

} // namespace

std::optional<Parts> parse(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    Parts parts;
    std::string_view rest = text;

    // A scheme is what stands before the first ":" when no "/", "?" or "#" comes earlier. Without a valid
    // scheme there, the ":" would sit in the first path segment of a relative reference, which the syntax
    // forbids (it would read as a scheme).
    const std::size_t colon = text.find(':');
    if (colon != std::string_view::npos && colon < text.find_first_of("/?#")) {
        if (!isScheme(text.substr(0, colon))) {
            return std::nullopt;
        }
        parts.scheme = text.substr(0, colon);
        rest = text.substr(colon + 1);
    }

    if (const std::size_t hash = rest.find('#'); hash != std::string_view::npos) {
        parts.fragment = rest.substr(hash + 1);
        rest = rest.substr(0, hash);
        if (!consistsOf(*parts.fragment, ":@/?")) {
            return std::nullopt;
        }
    }
    if (const std::size_t question = rest.find('?'); question != std::string_view::npos) {
        parts.query = rest.substr(question + 1);
        rest = rest.substr(0, question);
        if (!consistsOf(*parts.query, ":@/?")) {
            return std::nullopt;
        }
    }

    if (rest.starts_with("//")) {
        const std::size_t slash = rest.find('/', 2);
        parts.authority =
            rest.substr(2, slash == std::string_view::npos ? std::string_view::npos : slash - 2);
        const auto host = hostOfAuthority(*parts.authority);
        if (!host) {
            return std::nullopt;
        }
        parts.host = *host;
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
    }
    parts.path = rest;
    if (!consistsOf(parts.path, ":@/")) {
        return std::nullopt;
    }
    return parts;
}

bool isHttps(std::string_view text) {
    const auto parts = parse(text);
    if (!parts || !parts->scheme || parts->host.empty()) {
        return false;
    }
    constexpr std::string_view https = "https";
    return std::equal(parts->scheme->begin(), parts->scheme->end(), https.begin(), https.end(),
                      [](char a, char b) { return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b; });
}

} // namespace tarnwick::UrlText
