#include "offer/ProOffer.h"

#include "offer/UrlText.h"

#include <nlohmann/json.hpp>

namespace tarnwick {

namespace {

using nlohmann::json;

std::optional<std::string> requiredString(const json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_string()) {
        return std::nullopt;
    }
    return found->get<std::string>();
}

} // namespace

std::optional<std::string> ProOffer::safeDownloadURL() const {
    if (!enabled || !downloadURL || !UrlText::isHttps(*downloadURL)) {
        return std::nullopt;
    }
    return downloadURL;
}

std::optional<ProOffer> ProOffer::decode(std::string_view text) {
    // No exceptions and no comments: a parse error is just a refused answer.
    const json document = json::parse(text, nullptr, false, false);
    if (!document.is_object()) {
        return std::nullopt;
    }

    const auto enabled = document.find("enabled");
    if (enabled == document.end() || !enabled->is_boolean()) {
        return std::nullopt;
    }
    auto badge = requiredString(document, "badge");
    auto title = requiredString(document, "title");
    auto message = requiredString(document, "message");
    auto buttonTitle = requiredString(document, "button_title");
    if (!badge || !title || !message || !buttonTitle) {
        return std::nullopt;
    }

    std::optional<std::string> downloadURL;
    if (const auto link = document.find("download_url"); link != document.end() && !link->is_null()) {
        if (!link->is_string() || !UrlText::parse(link->get_ref<const std::string&>())) {
            return std::nullopt;
        }
        downloadURL = link->get<std::string>();
    }

    return ProOffer{enabled->get<bool>(), std::move(*badge),       std::move(*title),
                    std::move(*message),  std::move(*buttonTitle), std::move(downloadURL)};
}

} // namespace tarnwick
