#include "offer/OfferEndpoint.h"
#include "offer/ProOffer.h"
#include "offer/UrlText.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <string>

namespace tarnwick {
namespace {

using nlohmann::json;

json goodOffer() {
    return {{"enabled", true},           {"badge", "NEW"},
            {"title", "Tarnwick Pro"},   {"message", "Clean more."},
            {"button_title", "Get Pro"}, {"download_url", "https://example.com/pro?from=app#top"}};
}

std::optional<ProOffer> decode(const json& document) {
    return ProOffer::decode(document.dump());
}

TEST(ProOfferDecode, ReadsTheFieldsAndIgnoresUnknownKeys) {
    json document = goodOffer();
    document["campaign"] = {{"id", 7}, {"tags", {"a", "b"}}};
    document["expires"] = nullptr;
    const auto offer = decode(document);
    ASSERT_TRUE(offer.has_value());
    EXPECT_EQ(*offer, (ProOffer{true, "NEW", "Tarnwick Pro", "Clean more.", "Get Pro",
                                "https://example.com/pro?from=app#top"}));

    // Texts come through as written, escapes and all: how they are shown is up to the window.
    document["title"] = "<b>Pro</b> \u00e9\u2014 \"quoted\"\n";
    EXPECT_EQ(decode(document)->title, "<b>Pro</b> \u00e9\u2014 \"quoted\"\n");
    // The link may be missing or null.
    document["download_url"] = nullptr;
    EXPECT_EQ(decode(document)->downloadURL, std::nullopt);
    document.erase("download_url");
    EXPECT_EQ(decode(document)->downloadURL, std::nullopt);
}

TEST(ProOfferDecode, OneMissingOrMistypedKeyRefusesTheWholeAnswer) {
    for (const char* key : {"enabled", "badge", "title", "message", "button_title"}) {
        json document = goodOffer();
        document.erase(key);
        EXPECT_EQ(decode(document), std::nullopt) << "without " << key;
        for (const json& wrong : {json(nullptr), json(1), json::array(), json::object()}) {
            document[key] = wrong;
            EXPECT_EQ(decode(document), std::nullopt) << key << " = " << wrong.dump();
        }
    }
    for (const json& wrong : {json("true"), json(0), json(1)}) {
        json document = goodOffer();
        document["enabled"] = wrong;
        EXPECT_EQ(decode(document), std::nullopt) << "enabled = " << wrong.dump();
    }
    for (const json& wrong :
         {json(""), json("two words"), json("https://exa mple.com"), json("https://host/%zz"),
          json("https://host:port/"), json("https://[::1/"), json("1https://x"),
          json("https://ex\u00e4mple.com"), json("https://host/\tpath"), json(true), json(42),
          json::array({"https://example.com"})}) {
        json document = goodOffer();
        document["download_url"] = wrong;
        EXPECT_EQ(decode(document), std::nullopt) << "download_url = " << wrong.dump();
    }
    // The key names are exact.
    json renamed = goodOffer();
    renamed.erase("button_title");
    renamed["buttonTitle"] = "Get Pro";
    EXPECT_EQ(decode(renamed), std::nullopt);
}

TEST(ProOfferDecode, RefusesAnythingButOneJsonObject) {
    const std::string good = goodOffer().dump();
    for (const std::string& text :
         {std::string(), std::string("null"), std::string("[]"), "[" + good + "]", std::string("\"offer\""),
          good.substr(0, good.size() - 1), good + " {}", good + "x", "/* offer */" + good,
          std::string(
              R"({"enabled": true, "badge": "\xff", "title": "T", "message": "M", "button_title": "B"})")}) {
        EXPECT_EQ(ProOffer::decode(text), std::nullopt) << text;
    }
    EXPECT_TRUE(ProOffer::decode(" \r\n\t" + good + "\n ").has_value());
}

TEST(ProOfferSafeDownloadURL, OnlyAnEnabledHttpsLinkWithAHost) {
    ProOffer offer{true, "B", "T", "M", "Get", "https://example.com/pro"};
    EXPECT_EQ(offer.safeDownloadURL(), "https://example.com/pro");
    for (const char* link :
         {"HTTPS://example.com/pro", "HtTpS://example.com:443/pro", "https://[::1]:8443/"}) {
        offer.downloadURL = link;
        EXPECT_EQ(offer.safeDownloadURL(), link);
    }
    for (const char* link : {"http://example.com/pro", "HTTP://example.com", "ftp://example.com/pro",
                             "javascript:alert(1)", "https:example.com", "https:///pro", "//example.com/pro",
                             "/pro", "httpss://example.com", "https-://example.com"}) {
        offer.downloadURL = link;
        EXPECT_EQ(offer.safeDownloadURL(), std::nullopt) << link;
    }
    offer.downloadURL = "https://example.com/pro";
    offer.enabled = false;
    EXPECT_EQ(offer.safeDownloadURL(), std::nullopt);
    offer.enabled = true;
    offer.downloadURL.reset();
    EXPECT_EQ(offer.safeDownloadURL(), std::nullopt);
}

TEST(UrlText, SplitsAnAddressIntoItsParts) {
    const auto parts = UrlText::parse("https://user:pw@www.example.com:8443/a/b;c?q=1&r=/?#frag/?");
    ASSERT_TRUE(parts.has_value());
    EXPECT_EQ(parts->scheme, "https");
    EXPECT_EQ(parts->authority, "user:pw@www.example.com:8443");
    EXPECT_EQ(parts->host, "www.example.com");
    EXPECT_EQ(parts->path, "/a/b;c");
    EXPECT_EQ(parts->query, "q=1&r=/?");
    EXPECT_EQ(parts->fragment, "frag/?");

    const auto literal = UrlText::parse("https://[2001:db8::7]:443");
    ASSERT_TRUE(literal.has_value());
    EXPECT_EQ(literal->host, "[2001:db8::7]");
    EXPECT_EQ(literal->path, "");

    const auto relative = UrlText::parse("../pro%20edition?x");
    ASSERT_TRUE(relative.has_value());
    EXPECT_EQ(relative->scheme, std::nullopt);
    EXPECT_EQ(relative->authority, std::nullopt);
    EXPECT_EQ(relative->path, "../pro%20edition");

    for (const char* bad : {"", "ab:c:d/x:y?\x7f", "has space", "%", "%4", "%4g", "::", "1a:b", "a b:c",
                            "https://host:8a", "https://[1.2.3.4]", "https://[]", "https://[::1]x",
                            "https://h\"ost", "https://host/<path>", "https://host/\\", "https://host#a#b"}) {
        EXPECT_EQ(UrlText::parse(bad).has_value(), false) << bad;
    }
}

TEST(OfferEndpoint, PutsTheFixedPathOnAnHttpsBase) {
    EXPECT_EQ(OfferEndpoint::fromBase("https://www.example.com"),
              "https://www.example.com/TarnwickWebs/TarnwickPortal/pro.php");
    EXPECT_EQ(OfferEndpoint::fromBase("HTTPS://www.example.com:8443/mirror//"),
              "HTTPS://www.example.com:8443/mirror/TarnwickWebs/TarnwickPortal/pro.php");
    for (const char* base :
         {"", "http://www.example.com", "www.example.com", "https://", "https:///x",
          "https://www.example.com/?x=1", "https://www.example.com#top", "https://bad host"}) {
        EXPECT_EQ(OfferEndpoint::fromBase(base), std::nullopt) << base;
    }
}

} // namespace
} // namespace tarnwick
