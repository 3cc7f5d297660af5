#include "cli/CliRunner.h"

#include <nlohmann/json.hpp>

namespace tarnwick::testing {
namespace {

class LeftoversCommandTest : public CliTest {
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
};

TEST_F(LeftoversCommandTest, JsonListsOnlyOrphansInPathOrderLaidOutAsOneDocument) {
    tree.addFile(tree.userLibrary("Logs/com.gone.\"odd\"\nname\xff.log"), "x");
    const auto result = run({"leftovers", "--json"});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto json = nlohmann::ordered_json::parse(result.out);
    // Written item by item, it reads as the whole document would.
    EXPECT_EQ(result.out, json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + '\n');
    const auto& items = json.at("items");
    ASSERT_EQ(items.size(), 4U);
    EXPECT_EQ(items[0].at("path"), (folder / "Library/Application Support/com.gone.daemon").string());
    EXPECT_EQ(items[1].at("path"), (folder / "Users/tester/Library/Caches/com.gone.app").string());
    EXPECT_EQ(items[1].at("selected"), false);
    EXPECT_EQ(items[3].at("path"), (folder / "Users/tester/Library/Preferences/com.gone.app.plist").string());

    TemporaryFolder empty;
    EXPECT_EQ(runCli({"--root", empty.path().string(), "leftovers", "--json"}).out,
              "{\n  \"items\": []\n}\n");
}

TEST_F(LeftoversCommandTest, TextGroupsByCategoryWithTheReasonOncePerSection) {
    const auto result = run({"leftovers"});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string& out = result.out;
    const auto support = out.find("Application Support \u2014 1 item, Zero KB\n");
    const auto caches = out.find("Caches \u2014 1 item, 2 MB\n");
    const auto preferences = out.find("Preferences \u2014 1 item, 10 bytes\n");
    EXPECT_LT(support, caches);
    EXPECT_LT(caches, preferences);
    EXPECT_NE(preferences, std::string::npos) << out;
    const std::string reason = "No installed application matches this identifier. Review carefully.";
    std::size_t reasons = 0;
    for (auto at = out.find(reason); at != std::string::npos; at = out.find(reason, at + 1)) {
        ++reasons;
    }
    EXPECT_EQ(reasons, 3U) << "once per section";
    EXPECT_EQ(out.find("com.vendor.tool"), std::string::npos);
    EXPECT_EQ(out.find("com.example.clock"), std::string::npos);
    EXPECT_TRUE(out.ends_with("\nNothing is preselected.\n")) << out;
    TemporaryFolder empty;
    EXPECT_TRUE(runCli({"--root", empty.path().string(), "leftovers"}).out.starts_with("No leftovers found"));
}

} // namespace
} // namespace tarnwick::testing
