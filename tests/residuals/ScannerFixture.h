#pragma once

#include "catalogue/InstalledApp.h"
#include "platform/Platform.h"
#include "residuals/InstalledIdentities.h"
#include "residuals/ResidualItem.h"
#include "residuals/ResidualScanner.h"
#include "support/MacDisk.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick::testing {

// The catalogue's record of the bundle at `url`.
inline InstalledApp installedApp(const std::filesystem::path& url, const std::string& name,
                                 const std::string& bundleID = {}, bool isSystem = false) {
    InstalledApp app;
    app.url = url;
    app.name = name;
    app.bundleID = bundleID;
    app.isSystem = isSystem;
    return app;
}

// Ends the reason of a finding to review before removing it.
inline constexpr const char* review = " \u2014 review before removal";

// A Mac in a temporary folder with one scanned application at a time. Paths in expectations are written as
// the Mac names them: "~/..." below the home, "/..." below the disk's root.
class ScannerFixture : public MacDiskTest {
protected:
    // An application in /Applications (or /System/Applications) named `name`.
    InstalledApp install(const AppSpec& appSpec, const std::string& name, bool isSystem = false) const {
        const auto url =
            tree.addApp(platform.system(isSystem ? "/System/Applications" : "/Applications"), appSpec);
        return installedApp(url, name, appSpec.bundleID, isSystem);
    }

    // 'Notes.app', 'com.example.Notes', display name 'Notes': identifiers {com.example.notes, notes}.
    InstalledApp notes() const {
        return install({.fileName = "Notes.app", .bundleID = "com.example.Notes"}, "Notes");
    }

    // A signed application whose entitlements declare `groups` as application groups.
    InstalledApp signedApp(const std::string& fileName, const std::string& bundleID, const std::string& name,
                           const std::vector<std::string>& groups) const {
        PlistValue::Array array;
        for (const auto& group : groups) {
            array.emplace_back(group);
        }
        MachOSignature signature{.identifier = bundleID,
                                 .teamID = "ABCDE12345",
                                 .entitlements = PlistValue::Dictionary{
                                     {"com.apple.security.application-groups", std::move(array)}}};
        return install({.fileName = fileName,
                        .bundleID = bundleID,
                        .executableImage = MachOImage{.slices = {{.signature = std::move(signature)}}}},
                       name);
    }

    // Lays out `paths` ("~/...", "/..."; a trailing "/" makes an empty folder).
    void lay(const std::vector<std::string>& paths) const {
        for (const std::string& path : paths) {
            if (path.ends_with('/')) {
                folderAt(path.substr(0, path.size() - 1));
            } else {
                file(path);
            }
        }
    }

    // A Developer ID signature of `team`, with `groups` as application groups.
    static MachOImage signedBy(const std::string& team, const std::string& identifier,
                               const std::vector<std::string>& groups = {}) {
        PlistValue::Dictionary entitlements{{"com.apple.developer.team-identifier", team}};
        if (!groups.empty()) {
            PlistValue::Array array(groups.begin(), groups.end());
            entitlements["com.apple.security.application-groups"] = std::move(array);
        }
        return {.slices = {{.signature = MachOSignature{.kind = MachOSignature::Kind::developerID,
                                                        .identifier = identifier,
                                                        .teamID = team,
                                                        .entitlements = std::move(entitlements)}}}};
    }

    // Every path of `expected` is a finding preselected as told; nothing else is preselected.
    static void
    expectFoundAndOnlyThoseSelected(const std::map<std::string, bool>& expected,
                                    const std::vector<std::pair<std::string, ResidualItem>>& items) {
        std::map<std::string, bool> found;
        for (const auto& [path, item] : items) {
            found[path] = item.selected;
            if (item.selected) {
                EXPECT_TRUE(expected.contains(path) && expected.at(path)) << "preselected: " << path;
            }
        }
        for (const auto& [path, selected] : expected) {
            ASSERT_TRUE(found.contains(path)) << "not found: " << path;
            EXPECT_EQ(found.at(path), selected) << path;
        }
    }

    // The scan's findings by their path as the Mac names it, in the scanner's order.
    std::vector<std::pair<std::string, ResidualItem>> scan(const InstalledApp& app,
                                                           const InstalledIdentities& others = {}) const {
        std::vector<std::pair<std::string, ResidualItem>> result;
        for (auto& item : ResidualScanner::scan(app, platform, others)) {
            result.emplace_back(named(item.url), std::move(item));
        }
        return result;
    }

    // The same as a map from path to a summary: "<category>|<confidence>|<selected or ->|<reason>".
    std::map<std::string, std::string> summaries(const InstalledApp& app,
                                                 const InstalledIdentities& others = {}) const {
        return summaries(scan(app, others));
    }
    static std::map<std::string, std::string>
    summaries(const std::vector<std::pair<std::string, ResidualItem>>& items) {
        std::map<std::string, std::string> result;
        for (const auto& [path, item] : items) {
            result[path] = summary(item);
        }
        return result;
    }

    static std::string summary(const ResidualItem& item) {
        return std::string(rawValue(item.category)) + "|" + std::string(title(item.confidence)) + "|" +
               (item.selected ? "selected" : "-") + "|" + item.reason;
    }

    std::string named(const std::filesystem::path& location) const {
        const std::string home = platform.home().native();
        const std::string& text = location.native();
        if (text.starts_with(home + "/")) {
            return "~" + text.substr(home.size());
        }
        return platform.pathOnSystem(location).native();
    }
};

} // namespace tarnwick::testing
