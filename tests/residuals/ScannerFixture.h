#pragma once

#include "catalogue/InstalledApp.h"
#include "demo/TreeBuilder.h"
#include "platform/Platform.h"
#include "residuals/InstalledIdentities.h"
#include "residuals/ResidualItem.h"
#include "residuals/ResidualScanner.h"
#include "support/TestPlatform.h"

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

// A Mac in a temporary folder with one scanned application at a time. Paths in expectations are written as
// the Mac names them: "~/..." below the home, "/..." below the disk's root.
class ScannerFixture : public ::testing::Test {
protected:
    TemporaryFolder folder;
    Platform platform = makeTestPlatform(folder);
    TreeBuilder tree{platform};

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

    // "~/x" or "/x" as a path of the test disk.
    std::filesystem::path at(std::string_view path) const {
        if (path.starts_with("~/")) {
            return platform.home() / path.substr(2);
        }
        return platform.system(path);
    }

    std::filesystem::path file(std::string_view path) const { return tree.addFile(at(path), "data"); }
    std::filesystem::path folderAt(std::string_view path) const { return tree.addFolder(at(path)); }

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
        std::map<std::string, std::string> result;
        for (const auto& [path, item] : scan(app, others)) {
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
