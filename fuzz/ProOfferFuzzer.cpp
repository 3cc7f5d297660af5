// Any bytes into the offer decoder and the address syntax. An accepted offer must say exactly what the JSON
// says, and may only offer a link that is enabled, https and its own; an accepted address must be made of
// its parts and nothing else.
#include "FuzzCheck.h"
#include "offer/ProOffer.h"
#include "offer/UrlText.h"

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

namespace {

void checkAddress(std::string_view text) {
    const auto parts = tarnwick::UrlText::parse(text);
    if (!parts) {
        return;
    }
    std::string joined;
    if (parts->scheme) {
        joined += std::string(*parts->scheme) + ":";
    }
    if (parts->authority) {
        joined += "//" + std::string(*parts->authority);
        check(parts->authority->find(parts->host) != std::string_view::npos, "host outside the authority");
    } else {
        check(parts->host.empty(), "a host without an authority");
    }
    joined += std::string(parts->path);
    if (parts->query) {
        joined += "?" + std::string(*parts->query);
    }
    if (parts->fragment) {
        joined += "#" + std::string(*parts->fragment);
    }
    check(joined == text, "parts do not make up the address");
    for (const char c : text) {
        check(c > 0x20 && c < 0x7f && c != '"' && c != '<' && c != '>' && c != '\\',
              "character outside URL syntax");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarnwick;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    checkAddress(text);

    const auto offer = ProOffer::decode(text);
    if (!offer) {
        return 0;
    }
    const auto document = nlohmann::json::parse(text, nullptr, false, false);
    check(document.is_object(), "accepted something that is no object");
    check(document.at("enabled").get<bool>() == offer->enabled, "enabled differs");
    check(document.at("badge").get<std::string>() == offer->badge, "badge differs");
    check(document.at("title").get<std::string>() == offer->title, "title differs");
    check(document.at("message").get<std::string>() == offer->message, "message differs");
    check(document.at("button_title").get<std::string>() == offer->buttonTitle, "button title differs");
    const auto link = document.find("download_url");
    check(offer->downloadURL.has_value() == (link != document.end() && !link->is_null()),
          "link presence differs");
    if (offer->downloadURL) {
        check(*offer->downloadURL == link->get<std::string>(), "link differs");
        checkAddress(*offer->downloadURL);
    }
    if (const auto safe = offer->safeDownloadURL()) {
        check(offer->enabled && safe == offer->downloadURL, "safe link not the enabled offer's own");
        check(safe->size() > 8 && (*safe)[5] == ':' && safe->compare(6, 2, "//") == 0,
              "safe link not absolute");
        for (std::size_t index = 0; index < 5; ++index) {
            check(((*safe)[index] | 0x20) == "https"[index], "safe link not https");
        }
    }
    check(ProOffer::decode(text) == offer, "decoding differs the second time");
    return 0;
}
