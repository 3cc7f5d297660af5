#include "catalogue/AppIdentityReader.h"
#include "catalogue/AppScanner.h"
#include "catalogue/BundleCache.h"
#include "catalogue/BundleReading.h"
#include "support/MacDisk.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <vector>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

std::vector<InstalledApp> scanAll(const Platform& platform) {
    std::vector<InstalledApp> apps;
    AppScanner::scan(platform, [&](InstalledApp app) { apps.push_back(std::move(app)); });
    return apps;
}

const InstalledApp* find(const std::vector<InstalledApp>& apps, const fs::path& url) {
    const auto it = std::find_if(apps.begin(), apps.end(), [&](const auto& app) { return app.url == url; });
    return it == apps.end() ? nullptr : &*it;
}

class AppScannerTest : public testing::MacDiskTest {};

TEST_F(AppScannerTest, SearchesTheThreeRootsInOrderWithTheirSystemFlags) {
    tree.addApp(platform.system("/Applications"), {.fileName = "Notes.app", .bundleID = "com.example.notes"});
    tree.addApp(platform.home() / "Applications", {.fileName = "Mine.app", .bundleID = "com.example.mine"});
    tree.addApp(platform.system("/System/Applications"),
                {.fileName = "Notes.app", .bundleID = "com.apple.Notes", .shortVersion = "4.11"});

    const auto apps = scanAll(platform);
    ASSERT_EQ(apps.size(), 3u);
    EXPECT_EQ(apps[0].url, platform.system("/Applications/Notes.app"));
    EXPECT_FALSE(apps[0].isSystem);
    EXPECT_EQ(apps[1].url, platform.home() / "Applications/Mine.app");
    EXPECT_FALSE(apps[1].isSystem);
    EXPECT_EQ(apps[2].bundleID, "com.apple.Notes");
    EXPECT_EQ(apps[2].version, "4.11");
    EXPECT_TRUE(apps[2].isSystem);
    EXPECT_FALSE(apps[2].size.has_value());
}

TEST_F(AppScannerTest, AFolderReachedThroughTwoRootsIsDeliveredOnceWithTheEarlierFlag) {
    // The user's home is the disk's root, so ~/Applications is /Applications itself.
    Platform::Folders folders{.home = folder.path(), .temporary = folder / "T", .systemRoot = folder.path()};
    const Platform homeAtRoot(folders);
    tree.addApp(homeAtRoot.system("/Applications"), {.fileName = "Once.app", .bundleID = "com.example.once"});

    const auto apps = scanAll(homeAtRoot);
    ASSERT_EQ(apps.size(), 1u);
    EXPECT_EQ(apps[0].url, folder / "Applications/Once.app");
    EXPECT_FALSE(apps[0].isSystem);
}

TEST_F(AppScannerTest, FindsAppsInSubFoldersButNotInsideBundlesOrHidden) {
    const fs::path applications = platform.system("/Applications");
    tree.addApp(applications / "Utilities", {.fileName = "Tool.app", .bundleID = "com.example.tool"});
    tree.addApp(applications, {.fileName = "Host.app",
                               .bundleID = "com.example.host",
                               .helpers = {{.fileName = "Helper.app", .bundleID = "com.example.helper"}}});
    tree.addApp(applications, {.fileName = ".Hidden.app", .bundleID = "com.example.hidden"});
    tree.addApp(applications / ".hidden-folder", {.fileName = "Inside.app"});
    tree.addApp(applications / "Suite.framework", {.fileName = "Packaged.app"});
    tree.addApp(applications, {.fileName = "Shout.APP", .bundleID = "com.example.shout"});
    tree.addFolder(applications / "NotAnApp.appx");

    const auto apps = scanAll(platform);
    std::vector<std::string> names;
    for (const auto& app : apps) {
        names.push_back(app.url.filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Host.app", "Shout.APP", "Tool.app"}));
}

TEST_F(AppScannerTest, VersionIsTheShortOneElseTheBuildElseADash) {
    const fs::path applications = platform.system("/Applications");
    tree.addApp(applications, {.fileName = "Broken.app", .writesInfoPlist = false});
    tree.addApp(applications, {.fileName = "Build.app", .version = "123"});
    tree.addApp(applications, {.fileName = "Both.app", .shortVersion = "1.2", .version = "123"});

    const auto apps = scanAll(platform);
    const std::map<std::string, std::string> expected{
        {"Broken.app", "\u2014"}, {"Build.app", "123"}, {"Both.app", "1.2"}};
    for (const auto& [name, version] : expected) {
        const InstalledApp* app = find(apps, applications / name);
        ASSERT_NE(app, nullptr) << name;
        EXPECT_EQ(app->version, version) << name;
    }
}

TEST_F(AppScannerTest, RecordsCarryTheirBundlesReadingWhetherTheCacheWorksOrNot) {
    const fs::path applications = platform.system("/Applications");
    MachOSignature signature{.teamID = "ABCDE12345"};
    signature.entitlements =
        PlistValue::Dictionary{{"com.apple.security.application-groups", PlistValue::Array{"group.suite"}}};
    tree.addApp(applications,
                {.fileName = "Suite.app",
                 .bundleID = "com.example.suite",
                 .executableImage = MachOImage{.slices = {{.signature = signature}}},
                 .loginItems = {{.fileName = "Agent.app", .bundleID = "com.example.suite.agent"}}});
    tree.addApp(applications, {.fileName = "Plain.app", .bundleID = "com.example.plain"});
    const auto withCache = scanAll(platform);
    // A file where the cache's folder should be: nothing can be kept, and nothing changes.
    fs::remove_all(BundleCache::folderFor(platform));
    tree.addFile(BundleCache::folderFor(platform), "not a folder");
    const auto withoutCache = scanAll(platform);

    ASSERT_EQ(withCache.size(), 2u);
    EXPECT_EQ(withCache, withoutCache);
    for (const InstalledApp& app : withoutCache) {
        SCOPED_TRACE(app.name);
        ASSERT_NE(app.reading, nullptr);
        EXPECT_EQ(app.reading->identity, AppIdentityReader::read(app.url));
        EXPECT_EQ(app.reading->nested, NestedBundle::readAll(app.url));
    }
    EXPECT_EQ(find(withoutCache, applications / "Suite.app")->reading->nested.size(), 1u);
}

} // namespace
} // namespace tarnwick
