#include "catalogue/AppIdentityReader.h"
#include "catalogue/AppRecord.h"
#include "residuals/OrphanScanner.h"
#include "support/MacDisk.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

constexpr const char* team = "ABCDE12345";

class OrphanScannerTest : public testing::MacDiskTest {
protected:
    std::set<std::string> foundNames(const std::vector<InstalledApp>& apps = {}) const {
        std::set<std::string> names;
        for (const auto& item : OrphanScanner::scan(apps, platform)) {
            names.insert(item.url.filename().string());
        }
        return names;
    }

    InstalledApp install(const AppSpec& appSpec) const {
        return AppRecord::listed(tree.addApp(platform.system("/Applications"), appSpec), false, platform);
    }

    fs::path support(const std::string& name) const {
        return tree.addFolder(tree.userLibrary("Application Support/" + name));
    }
};

TEST_F(OrphanScannerTest, WithNoAppsEveryIdentifierLikeEntryIsReportedWithItsCategoryInPathOrder) {
    tree.addFile(tree.userLibrary("Preferences/com.vendor.tool.plist"), std::string(100, 'p'));
    tree.addFile(tree.userLibrary("Caches/com.vendor.tool/Cache.db"), std::uint64_t{1234});
    tree.addFile(tree.userLibrary("Caches/com.vendor.tool/nested/more.bin"), std::uint64_t{66});
    tree.addFile(tree.userLibrary("Saved Application State/com.vendor.app.savedState/windows.plist"), "w");
    tree.addFolder(tree.userLibrary("Group Containers/group.com.vendor.app"));
    tree.addFolder(tree.userLibrary("Containers/com.vendor.app"));
    tree.addFile(tree.userLibrary("Logs/com.vendor.app.log"), "log");
    tree.addFolder(tree.systemLibrary("Application Support/com.vendor.daemon"));
    tree.addFolder(tree.systemLibrary("Caches/io.vendor.daemon.cache"));
    tree.addFile(tree.systemLibrary("Preferences/org.vendor.daemon.plist"), "");
    tree.addFolder(tree.systemLibrary("Logs/net.vendor.logs"));
    // Outside the eleven folders, or below their direct contents: never looked at.
    tree.addFolder(tree.userLibrary("WebKit/com.vendor.web"));
    tree.addFolder(tree.userLibrary("Application Support/Vendor/com.vendor.nested"));
    // A file whose name loses its only dot with the extension is no identifier.
    tree.addFile(tree.systemLibrary("Logs/net.log"), "x");

    // In path order: the system's Library (/Library) before the user's (/Users).
    const std::vector<std::pair<std::string, ResidualCategory>> expected{
        {"/Library/Application Support/com.vendor.daemon", ResidualCategory::support},
        {"/Library/Caches/io.vendor.daemon.cache", ResidualCategory::cache},
        {"/Library/Logs/net.vendor.logs", ResidualCategory::logs},
        {"/Library/Preferences/org.vendor.daemon.plist", ResidualCategory::preferences},
        {"/Users/tester/Library/Caches/com.vendor.tool", ResidualCategory::cache},
        {"/Users/tester/Library/Containers/com.vendor.app", ResidualCategory::container},
        {"/Users/tester/Library/Group Containers/group.com.vendor.app", ResidualCategory::support},
        {"/Users/tester/Library/Logs/com.vendor.app.log", ResidualCategory::logs},
        {"/Users/tester/Library/Preferences/com.vendor.tool.plist", ResidualCategory::preferences},
        {"/Users/tester/Library/Saved Application State/com.vendor.app.savedState", ResidualCategory::state},
    };
    const auto items = OrphanScanner::scan(std::vector<InstalledApp>{}, platform);
    std::vector<std::pair<std::string, ResidualCategory>> found;
    for (const auto& item : items) {
        found.emplace_back(platform.pathOnSystem(item.url).string(), item.category);
        EXPECT_EQ(item.confidence, MatchConfidence::possible);
        EXPECT_FALSE(item.selected);
    }
    ASSERT_EQ(found, expected);
    EXPECT_EQ(items[4].size, 1300);
    EXPECT_EQ(items[8].size, 100);
}

TEST_F(OrphanScannerTest, SystemNamesHiddenEntriesAndNamesWithoutADotAreNeverReported) {
    // A prefix ending in a dot spares longer words ("com.applex"); one without spares nothing ("org.cupsd").
    const std::vector<std::string> never{"com.apple.Safari",  "COM.APPLE.Notes",    "apple.music",
                                         "org.cupsd",         "org.net-snmpd",      "com.opensshx",
                                         "com.oraclesoft.db", "system.keychain",    "group.com.apple.notes",
                                         "group.system.x",    ".com.vendor.hidden", "Foo Bar",
                                         "vendortool"};
    const std::vector<std::string> reported{"com.applex.tool",       "apples.tool",  "systemd.unit",
                                            "group.com.applex.tool", "org.cup.tool", "group.systemx.tool",
                                            "com.vendor.tool."};
    for (const auto& name : never) {
        support(name);
    }
    for (const auto& name : reported) {
        support(name);
    }
    tree.addFile(tree.userLibrary("Preferences/.com.vendor.tool.plist"), "");

    EXPECT_EQ(foundNames(), std::set<std::string>(reported.begin(), reported.end()));
}

TEST_F(OrphanScannerTest, InstalledAppsOwnTheirIdentifiersAndEveryNameJoinedToThem) {
    PlistValue::Dictionary entitlements{
        {"com.apple.application-identifier", std::string(team) + ".org.signed.tool"},
        {"com.apple.security.application-groups", PlistValue::Array{std::string(team) + ".shared"}},
    };
    const std::vector<InstalledApp> apps{
        install({.fileName = "Whatever.app", .bundleID = "COM.Vendor.App"}),
        install({.fileName = "Vendor.app",
                 .loginItems = {{.fileName = "Agent.app", .bundleID = "net.vendorhelper.agent"}}}),
        install({.fileName = "Signed.app",
                 .bundleID = "net.signed.bundle",
                 .executableImage =
                     MachOImage{.slices = {{.signature = MachOSignature{.identifier = "net.signed.bundle",
                                                                        .teamID = team,
                                                                        .entitlements = entitlements}}}}}),
    };
    // One identifier from each source: bundle identifier (written in another case), bundle file name,
    // entitlement (the application identifier without its team), nested login item.
    std::set<std::string> owned{"Com.Vendor.App",  "abcde12345.shared", "ABCDE12345.org.signed.tool",
                                "org.signed.tool", "vendor.cache",      "net.vendorhelper.agent"};
    for (const std::string identifier : {"com.vendor.app", "vendor", "org.signed.tool"}) {
        for (const char separator : {'.', '-', '_'}) {
            owned.insert(identifier + separator + "helper.v2");
            owned.insert(std::string("com.other") + separator + identifier);
        }
    }
    // Joined without a separator, or only similar: someone else's.
    const std::set<std::string> notOwned{"com.vendor.application", "xcom.vendor.app",    "com.vendor.apps.x",
                                         "vendors.cache",          "org.signed.toolkit", "com.othervendor",
                                         "net.signed.bundlex.y",   "com.vendor.app~x.y"};
    std::set<std::string> all(notOwned);
    all.insert(owned.begin(), owned.end());
    for (const auto& name : all) {
        support(name);
    }
    tree.addFile(tree.userLibrary("Preferences/com.vendor.app.plist"), "");
    tree.addFolder(tree.userLibrary("Saved Application State/com.vendor.app.savedState"));

    // Without the apps, everything is an orphan: what the apps protect below is theirs alone.
    all.insert({"com.vendor.app.plist", "com.vendor.app.savedState"});
    EXPECT_EQ(foundNames(), all);
    EXPECT_EQ(foundNames(apps), notOwned);
}

TEST_F(OrphanScannerTest, AnAppsNamesOwnTheirFilesWhicheverWayTheyAreComposed) {
    const std::vector<InstalledApp> apps{install({.fileName = "Cafe\u0301.app"})};
    support("caf\u00e9.helper");
    support("Cafe\u0301.cache");
    support("cafes.helper");
    EXPECT_EQ(foundNames(apps), std::set<std::string>{"cafes.helper"});
}

TEST_F(OrphanScannerTest, AnEmptyIdentifierOwnsNothing) {
    PlistValue::Dictionary entitlements{{"com.apple.security.application-groups", PlistValue::Array{""}}};
    const std::vector<InstalledApp> apps{install(
        {.fileName = "Odd.app",
         .executableImage = MachOImage{
             .slices = {{.signature = MachOSignature{.teamID = team, .entitlements = entitlements}}}}})};
    ASSERT_TRUE(AppIdentityReader::read(apps.front().url).entitlementIdentifiers.contains(""));
    for (const std::string name :
         {"com.vendor.tool.", "com.vendor.tool-", "com.vendor.tool_", ".-com.vendor.x"}) {
        support(name);
    }
    EXPECT_EQ(foundNames(apps),
              (std::set<std::string>{"com.vendor.tool.", "com.vendor.tool-", "com.vendor.tool_"}));
}

TEST_F(OrphanScannerTest, OrderIsByComposedPathWithUpperCaseFirst) {
    // "é" written decomposed (e + combining acute) and composed: both sort after "f" once composed.
    for (const std::string name :
         {"com.vendor.e\u0301a", "com.vendor.\u00e9b", "com.vendor.f", "Com.Vendor.z"}) {
        support(name);
    }
    std::vector<std::string> names;
    for (const auto& item : OrphanScanner::scan(std::vector<InstalledApp>{}, platform)) {
        names.push_back(item.url.filename().string());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Com.Vendor.z", "com.vendor.f", "com.vendor.e\u0301a",
                                               "com.vendor.\u00e9b"}));
}

} // namespace
} // namespace tarnwick
