#include "catalogue/Bundle.h"

#include "formats/PropertyList.h"
#include "formats/StringsFile.h"
#include "platform/DirectoryWalker.h"
#include "platform/Location.h"
#include "platform/Text.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <system_error>

namespace tarnwick {
namespace {

// Folder names that older bundles use instead of language codes.
constexpr std::array<std::pair<std::string_view, std::string_view>, 7> legacyLanguageNames{{
    {"en", "English"},
    {"de", "German"},
    {"fr", "French"},
    {"ja", "Japanese"},
    {"es", "Spanish"},
    {"it", "Italian"},
    {"nl", "Dutch"},
}};

void addCandidate(std::vector<std::string>& candidates, std::string name) {
    // The name becomes a folder name: nothing that could lead out of the Resources folder.
    if (!Location::isSingleComponent(name)) {
        return;
    }
    if (std::find(candidates.begin(), candidates.end(), name) == candidates.end()) {
        candidates.push_back(std::move(name));
    }
}

// Bundles name Chinese folders after the script ("zh-Hant"), locales name the region ("zh_TW"): the
// script written in the region of a Chinese tag that names a region and no script.
std::optional<std::string_view> chineseScript(std::string_view tag) {
    if (tag.substr(0, 2) != "zh" || tag.size() < 5 || (tag[2] != '_' && tag[2] != '-')) {
        return std::nullopt;
    }
    const std::string_view region = tag.substr(3);
    if (region == "CN" || region == "SG") {
        return "Hans";
    }
    if (region == "TW" || region == "HK" || region == "MO") {
        return "Hant";
    }
    return std::nullopt;
}

// "de_CH" tries "de_CH", "de-CH", then "de" (and "German"); "zh_TW" tries "zh_TW", "zh-TW", "zh-Hant",
// then "zh": bundles name their folders either way.
void addLanguage(std::vector<std::string>& candidates, std::string_view language) {
    // A locale from the environment may carry an encoding or modifier ("de_CH.UTF-8@euro").
    std::string tag(language.substr(0, language.find_first_of(".@")));
    const std::optional<std::string_view> script = chineseScript(tag);
    while (!tag.empty()) {
        if (script && tag == "zh") {
            addCandidate(candidates, "zh-" + std::string(*script));
            addCandidate(candidates, "zh_" + std::string(*script));
        }
        addCandidate(candidates, tag);
        std::string dashed = tag;
        std::replace(dashed.begin(), dashed.end(), '_', '-');
        addCandidate(candidates, std::move(dashed));
        std::string underscored = tag;
        std::replace(underscored.begin(), underscored.end(), '-', '_');
        addCandidate(candidates, std::move(underscored));
        const std::size_t cut = tag.find_last_of("-_");
        if (cut == std::string::npos) {
            break;
        }
        tag.resize(cut);
    }
    for (const auto& [code, name] : legacyLanguageNames) {
        if (tag == code) {
            addCandidate(candidates, std::string(name));
        }
    }
}

std::vector<std::string> localizationCandidates(const std::vector<std::string>& preferredLanguages,
                                                const std::optional<PlistValue::Dictionary>& info) {
    std::vector<std::string> candidates;
    for (const auto& language : preferredLanguages) {
        addLanguage(candidates, language);
    }
    if (info) {
        if (auto region = stringValue(*info, "CFBundleDevelopmentRegion")) {
            addLanguage(candidates, *region);
        }
    }
    for (std::string_view fallback : {"en", "English", "Base"}) {
        addCandidate(candidates, std::string(fallback));
    }
    return candidates;
}

// The language folders in `resources`, by their names lowercased: a Mac's disk ignores case when the
// names are looked up, and so does this.
std::vector<std::string> languageFolders(const std::filesystem::path& resources) {
    std::vector<std::string> names;
    for (const auto& entry : DirectoryWalker::children(resources).value_or(std::vector<DirectoryEntry>{})) {
        if ((entry.isDirectory || entry.isSymbolicLink) && entry.name().ends_with(".lproj")) {
            names.push_back(Text::lowercased(entry.name()));
        }
    }
    return names;
}

} // namespace

std::optional<Bundle> Bundle::openInformation(const std::filesystem::path& location) {
    std::error_code error;
    if (!std::filesystem::is_directory(location, error)) {
        return std::nullopt;
    }
    Bundle bundle;
    bundle.location_ = location;
    if (auto info = PropertyList::read(location / "Contents" / "Info.plist")) {
        if (const auto* dictionary = info->asDictionary()) {
            bundle.info_ = *dictionary;
        }
    }
    return bundle;
}

std::optional<Bundle> Bundle::open(const std::filesystem::path& location,
                                   const std::vector<std::string>& preferredLanguages) {
    std::optional<Bundle> information = openInformation(location);
    if (!information) {
        return std::nullopt;
    }
    Bundle bundle = std::move(*information);
    // One listing of Resources tells which of the many candidates exist, so that only those are opened.
    const std::filesystem::path resources = location / "Contents" / "Resources";
    const std::vector<std::string> present = languageFolders(resources);
    for (const auto& language : localizationCandidates(preferredLanguages, bundle.info_)) {
        const std::string folder = language + ".lproj";
        if (std::find(present.begin(), present.end(), Text::lowercased(folder)) == present.end()) {
            continue;
        }
        bundle.localizationsTried_.push_back(resources / folder / "InfoPlist.strings");
        if (auto table = StringsFile::read(bundle.localizationsTried_.back())) {
            bundle.localizedInfo_ = std::move(table);
            break;
        }
    }
    return bundle;
}

std::optional<std::string> Bundle::identifier() const {
    if (!info_) {
        return std::nullopt;
    }
    return stringValue(*info_, "CFBundleIdentifier");
}

std::optional<std::filesystem::path> Bundle::executable() const {
    if (!info_) {
        return std::nullopt;
    }
    const auto name = stringValue(*info_, "CFBundleExecutable");
    if (!name || !Location::isSingleComponent(*name)) {
        return std::nullopt;
    }
    return location_ / "Contents" / "MacOS" / *name;
}

} // namespace tarnwick
