#pragma once

#include "catalogue/AppIdentityReader.h"
#include "catalogue/NestedBundle.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick {

// What the catalogue and the identity readers learn from one application bundle: the fields of its
// record, its code-signing identity and the programs nested in it. Read together, so that they can be
// kept together and read again together when any of them may have changed.
struct BundleReading {
    std::string name{};                   // as the application list shows it
    std::string bundleID{};               // empty when the bundle declares none
    std::optional<std::string> version{}; // the short version string, else the build number
    std::string executableName{};         // the main executable's file name; empty when the bundle names none
    AppIdentityReader::Identity identity{};
    std::vector<NestedBundle> nested{};

    bool operator==(const BundleReading&) const = default;

    // Reads the bundle at `location` for a user who prefers `languages`. `consulted`, when given, gets
    // every file read and every folder listed on the way, present or not.
    static BundleReading read(const std::filesystem::path& location,
                              const std::vector<std::string>& languages,
                              std::vector<std::filesystem::path>* consulted = nullptr);
};

} // namespace tarnwick
