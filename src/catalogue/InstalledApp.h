#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

struct BundleReading;

// One application bundle on disk. Its identity is the location's path.
struct InstalledApp {
    // The version shown when a bundle declares none.
    static constexpr std::string_view unknownVersion = "\u2014";

    std::filesystem::path url;
    std::string name;
    std::string bundleID; // empty when the bundle declares none or cannot be opened
    std::string version = std::string(unknownVersion);
    std::optional<std::int64_t> size; // absent until computed
    bool isSystem = false;
    // The main executable the bundle named when the record was made from it (an empty path when it named
    // none), so that its signature is read without opening the bundle again; absent for a record made
    // otherwise.
    std::optional<std::filesystem::path> executable{};
    // What the catalogue read from the bundle when it listed it (identity and nested programs included),
    // so that judging what belongs to the other applications reads nothing again; absent for a record
    // made otherwise. It describes the same bundle as the fields above and is no part of the record's
    // value: equality and hashing leave it out.
    std::shared_ptr<const BundleReading> reading{};

    std::string id() const { return url.string(); }

    // Every field; locations compare as text, like `id`, so equal records always share an id.
    friend bool operator==(const InstalledApp& left, const InstalledApp& right);
};

} // namespace tarnwick

template <> struct std::hash<tarnwick::InstalledApp> {
    std::size_t operator()(const tarnwick::InstalledApp& app) const noexcept;
};
