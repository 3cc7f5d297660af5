#pragma once

#include "formats/PlistValue.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick {

// A bundle on disk: a folder with its information dictionary (`Contents/Info.plist`) and the
// localised dictionary (`Contents/Resources/<language>.lproj/InfoPlist.strings`).
class Bundle {
public:
    // Opens the bundle at `location` when it is a folder; reads both dictionaries at once. The localised
    // one is looked up for `preferredLanguages` in order, then the development region, then "en",
    // "English" and "Base".
    static std::optional<Bundle> open(const std::filesystem::path& location,
                                      const std::vector<std::string>& preferredLanguages);

    // The same without the localised dictionary, for callers that show no name: one file read.
    static std::optional<Bundle> openInformation(const std::filesystem::path& location);

    const std::filesystem::path& location() const { return location_; }

    // "CFBundleIdentifier" when it is a string.
    std::optional<std::string> identifier() const;

    // The main executable, `Contents/MacOS/<CFBundleExecutable>`, when that name is a string that stays
    // inside the folder.
    std::optional<std::filesystem::path> executable() const;

    const std::optional<PlistValue::Dictionary>& infoDictionary() const { return info_; }
    const std::optional<PlistValue::Dictionary>& localizedInfoDictionary() const { return localizedInfo_; }

    // The localised dictionaries `open` tried to read, in order; the last is the one read when there is
    // one. Whoever keeps what was read watches these files for changes.
    const std::vector<std::filesystem::path>& localizationsTried() const { return localizationsTried_; }

private:
    Bundle() = default;

    std::filesystem::path location_;
    std::optional<PlistValue::Dictionary> info_;
    std::optional<PlistValue::Dictionary> localizedInfo_;
    std::vector<std::filesystem::path> localizationsTried_;
};

} // namespace tarnwick
