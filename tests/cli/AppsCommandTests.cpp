#include "catalogue/ByteFormat.h"
#include "cli/CliRunner.h"

#include <nlohmann/json.hpp>

namespace tarnwick::testing {
namespace {

class AppsCommandTest : public CliTest {
protected:
    AppsCommandTest() {
        tree.addApp(platform.system("/Applications"),
                    {.fileName = "app 10.app", .bundleID = "com.example.ten", .shortVersion = "10"});
        tree.addApp(platform.system("/Applications/Utilities"),
                    {.fileName = "App 2.app", .bundleID = "com.example.two"});
        tree.addApp(platform.home() / "Applications", {.fileName = "Mine.app"});
        tree.addApp(platform.system("/System/Applications"),
                    {.fileName = "Clock.app", .bundleID = "com.apple.clock"});
        tree.addFile(platform.system("/Applications/app 10.app/Contents/Resources/data"),
                     std::uint64_t{2'000'000});
        tree.addFile(platform.system("/Applications/readme.txt"), "not an app");
    }
};

TEST_F(AppsCommandTest, ListsExactlyTheTreesAppsInNameOrderAsJsonOrATable) {
    // Global options are accepted on either side of the command name.
    const auto result = runCli({"--json", "apps", "--root", root()});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto apps = nlohmann::json::parse(result.out);
    ASSERT_EQ(apps.size(), 4u);
    std::vector<std::string> names;
    for (const auto& app : apps) {
        names.push_back(app.at("name"));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"App 2", "app 10", "Clock", "Mine"}));
    EXPECT_EQ(apps[1].at("path"), (folder / "Applications/app 10.app").string());
    EXPECT_EQ(apps[1].at("version"), "10");
    EXPECT_GT(apps[1].at("size").get<std::int64_t>(), 2'000'000);
    EXPECT_EQ(apps[2].at("isSystem"), true);
    EXPECT_EQ(apps[3].at("bundleID"), "");
    EXPECT_EQ(apps[3].at("version"), "\u2014");

    const auto table = run({"apps"});
    EXPECT_NE(table.out.find("Clock (system)"), std::string::npos);
    EXPECT_NE(table.out.find(ByteFormat::string(apps[1].at("size"))), std::string::npos);
    EXPECT_NE(table.out.find("4 applications, 1 from the system."), std::string::npos);
    EXPECT_TRUE(table.err.empty()) << "no progress line when standard error is not a terminal";
}

TEST(CommandLineTest, UserPicksTheHomeOnADiskWithSeveralAndMistakesGiveStatusTwo) {
    TemporaryFolder folder;
    for (const std::string user : {"alice", "bob"}) {
        TreeBuilder(makeTestPlatform(folder, user))
            .addApp(folder / "Users" / user / "Applications", {.fileName = user + ".app"});
    }
    const std::string root = folder.path().string();
    const auto picked = runCli({"--root", root, "apps", "--json", "--user", "bob"});
    ASSERT_EQ(picked.status, 0) << picked.err;
    EXPECT_EQ(nlohmann::json::parse(picked.out).at(0).at("name"), "bob");
    // Suggested commands look at the same home.
    EXPECT_NE(runCli({"--root", root, "--user", "bob", "history"}).out.find("--user bob remove APP"),
              std::string::npos);

    EXPECT_NE(runCli({"--root", root, "apps"}).err.find("alice, bob"), std::string::npos);
    for (const auto& arguments :
         {std::vector<std::string>{"--root", root, "apps"},
          std::vector<std::string>{"--root", root, "--user", "carol", "apps"},
          std::vector<std::string>{"frobnicate"}, std::vector<std::string>{"--frob", "apps"},
          std::vector<std::string>{}, std::vector<std::string>{"--user", "tester", "apps"}}) {
        const auto result = runCli(arguments);
        EXPECT_EQ(result.status, 2) << result.err;
        EXPECT_TRUE(result.out.empty());
        EXPECT_NE(result.err.find("--help"), std::string::npos) << result.err;
    }
}

} // namespace
} // namespace tarnwick::testing
