#include "cli/CliRunner.h"
#include "demo/TreeBuilder.h"
#include "support/TestPlatform.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

constexpr std::string_view reason = "No installed application matches this identifier. Review carefully.";

std::size_t occurrences(const std::string& text, std::string_view part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

class LeftoversCommandTest : public ::testing::Test {
protected:
    LeftoversCommandTest() {
        tree.addApp(platform.system("/Applications"),
                    {.fileName = "Tool.app", .bundleID = "com.vendor.tool"});
        // System applications protect their files too.
        tree.addApp(platform.system("/System/Applications"),
                    {.fileName = "Clock.app", .bundleID = "com.example.clock"});
        tree.addFile(tree.userLibrary("Preferences/com.vendor.tool.plist"), "mine");
        tree.addFile(tree.userLibrary("Preferences/com.example.clock.plist"), "mine");
        tree.addFile(tree.userLibrary("Caches/com.gone.app/Cache.db"), std::uint64_t{2'000'000});
        tree.addFile(tree.userLibrary("Preferences/com.gone.app.plist"), std::string(10, 'p'));
        tree.addFolder(tree.systemLibrary("Application Support/com.gone.daemon"));
    }

    testing::TemporaryFolder folder;
    Platform platform = testing::makeTestPlatform(folder);
    TreeBuilder tree{platform};
};

TEST_F(LeftoversCommandTest, JsonListsOnlyTheOrphansOfAppsNotInstalledInPathOrder) {
    const auto result = testing::runCli({"--root", folder.path().string(), "leftovers", "--json"});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto json = nlohmann::ordered_json::parse(result.out);
    ASSERT_EQ(json.size(), 1U);
    const auto& items = json.at("items");
    ASSERT_EQ(items.size(), 3U);
    EXPECT_EQ(items[0].at("path"), (folder / "Library/Application Support/com.gone.daemon").string());
    EXPECT_EQ(items[1].at("path"), (folder / "Users/tester/Library/Caches/com.gone.app").string());
    EXPECT_EQ(items[2].at("path"), (folder / "Users/tester/Library/Preferences/com.gone.app.plist").string());
    EXPECT_EQ(items[1].at("selected"), false);
}

TEST_F(LeftoversCommandTest, JsonWrittenItemByItemIsLaidOutAsTheWholeDocument) {
    tree.addFile(tree.userLibrary("Logs/com.gone.\"odd\"\nname\xff.log"), "x");
    const auto result = testing::runCli({"--root", folder.path().string(), "leftovers", "--json"});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto json = nlohmann::ordered_json::parse(result.out);
    EXPECT_EQ(json.at("items").size(), 4U);
    EXPECT_EQ(result.out, json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + '\n');

    testing::TemporaryFolder empty;
    EXPECT_EQ(testing::runCli({"--root", empty.path().string(), "leftovers", "--json"}).out,
              "{\n  \"items\": []\n}\n");
}

TEST_F(LeftoversCommandTest, TextGroupsByCategoryWithTheReasonOncePerSection) {
    const auto result = testing::runCli({"--root", folder.path().string(), "leftovers"});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto& out = result.out;
    const auto support = out.find("Application Support \u2014 1 item, Zero KB\n");
    const auto caches = out.find("Caches \u2014 1 item, 2 MB\n");
    const auto preferences = out.find("Preferences \u2014 1 item, 10 bytes\n");
    ASSERT_NE(support, std::string::npos) << out;
    ASSERT_NE(caches, std::string::npos) << out;
    ASSERT_NE(preferences, std::string::npos) << out;
    EXPECT_LT(support, caches);
    EXPECT_LT(caches, preferences);
    EXPECT_EQ(occurrences(out, reason), 3U);
    EXPECT_NE(out.find("[ ] Possible"), std::string::npos);
    EXPECT_EQ(out.find("com.vendor.tool"), std::string::npos);
    EXPECT_EQ(out.find("com.example.clock"), std::string::npos);
    EXPECT_TRUE(out.ends_with("\nNothing is preselected.\n")) << out;
    EXPECT_TRUE(result.err.empty());

    testing::TemporaryFolder empty;
    const auto none = testing::runCli({"--root", empty.path().string(), "leftovers"});
    EXPECT_EQ(none.status, 0);
    EXPECT_TRUE(none.out.starts_with("No leftovers found")) << none.out;
}

} // namespace
} // namespace tarnwick
